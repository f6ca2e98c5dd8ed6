// CParser, the scene-script interpreter of vorl: runs a script line by line,
// builds the scene and owns everything the script creates, then renders it.
// CModelEntry is one model loaded by the script with its mesh primitives.
#pragma once

#include "common/util/Color.h"
#include "common/util/Types.h"
#include "common/vecmat/matrix3d.h"
#include "common/vecmat/vector3d.h"

#include <string>
#include <vector>

class CCamera;
class CMaterial;
class CModel;
class CPrimitive;
class CScene;
class CTexture;
class CTriMesh;

// One successful loadmodel line. Freed by the interpreter's destructor: the
// mesh primitives first, then the model whose arrays they read.
struct CModelEntry
{
    CModel* m_pModel = nullptr;          // owned
    std::vector<CTriMesh*> m_vTriMeshes; // owned; one per mesh, null for a mesh without triangles
    std::string m_sName;                 // the name the script gave the model
};

class CParser
{
public:
    // Reads a model file into a model the caller owns; true when it was read.
    typedef bool (*ModelLoader)(const std::string& sFileName, CModel* pModel);

    CParser();
    ~CParser();
    CParser(const CParser&) = delete;
    CParser& operator=(const CParser&) = delete;

    // Runs every line of the NUL-terminated script, printing each error as it
    // happens and the error total at the end. True when no line had an error.
    bool RunScript(const char* pText);

    // Renders the scene into the TGA file pImagePath (after the two photon
    // pictures when photon mapping is on). False, with a message naming the
    // file, when a picture cannot be written; no partial file is left then.
    bool RenderScene(const char* pImagePath);

    // True when the words after word 0 fit the signature, one letter per word:
    // I an integer that fits an int, R a decimal number that fits a finite
    // float, S an identifier, ? anything.
    static bool CheckArgs(const std::vector<std::string>& vWords, const std::string& sSignature);

    // The reader used by loadmodel (LoadModel unless replaced).
    void SetModelLoader(ModelLoader pfnLoader) { m_pfnLoadModel = pfnLoader; }

    // Read access to the settings, for tests and tools.
    const CScene* GetScene() const { return m_pScene; }
    int GetImageWidth() const { return m_nImageWidth; }
    int GetImageHeight() const { return m_nImageHeight; }
    int GetAntialiasing() const { return m_nAntialiasing; }
    int GetPhotons() const { return m_nPhotons; }
    const Vector3d& GetEye() const { return m_vEye; }
    const Vector3d& GetAim() const { return m_vAim; }
    const Vector3d& GetUp() const { return m_vUp; }
    float GetZoom() const { return m_fZoom; }
    float GetAngle() const { return m_fAngle; }
    int GetCameraType() const { return m_nCameraType; }
    const Matrix3d& GetTransform() const { return m_mTransform; }
    const CColor& GetColor() const { return m_cColor; }
    const std::vector<CTexture*>& GetTextures() const { return m_vTextures; }
    const std::vector<CMaterial*>& GetMaterials() const { return m_vMaterials; }
    const std::vector<CModelEntry>& GetModels() const { return m_vModels; }
    const CCamera* GetCamera() const { return m_pCamera; }

    // The command handlers: each takes all words of its line (word 0 is the
    // command) and returns false, having changed nothing, to reject the line.
    bool CmdCamera(const std::vector<std::string>& vWords);
    bool CmdLight(const std::vector<std::string>& vWords);
    bool CmdColor(const std::vector<std::string>& vWords);
    bool CmdTexture(const std::vector<std::string>& vWords);
    bool CmdMaterial(const std::vector<std::string>& vWords);
    bool CmdMatrix(const std::vector<std::string>& vWords);
    bool CmdRotate(const std::vector<std::string>& vWords);
    bool CmdScale(const std::vector<std::string>& vWords);
    bool CmdSphere(const std::vector<std::string>& vWords);
    bool CmdPlane(const std::vector<std::string>& vWords);
    bool CmdAntialiasing(const std::vector<std::string>& vWords);
    bool CmdPhotonMapping(const std::vector<std::string>& vWords);
    bool CmdImage(const std::vector<std::string>& vWords);
    bool CmdLoadModel(const std::vector<std::string>& vWords);
    bool CmdInstance(const std::vector<std::string>& vWords);

private:
    // The current transform with the position of the last three words as its
    // translation; false, with the reason printed, when a primitive cannot take
    // it (not finite or not invertible).
    bool GetPlacement(const std::vector<std::string>& vWords, Matrix3d& mPlaced) const;
    // Gives a new primitive the placement and the current colour, material and
    // texture, and adds it to the scene, which owns it from then on (on false
    // it is deleted).
    bool AddPlaced(CPrimitive* pPrimitive, const Matrix3d& mPlaced);

    CScene* m_pScene;        // owned
    CCamera* m_pCamera;      // owned; made by RenderScene
    sint32 m_nImageWidth;
    sint32 m_nImageHeight;
    sint32 m_nAntialiasing;  // stored for the renderer, which traces one ray per pixel
    sint32 m_nPhotons;       // 0: photon mapping off
    Vector3d m_vEye;
    Vector3d m_vAim;
    Vector3d m_vUp;
    float m_fZoom;           // plane camera
    float m_fAngle;          // cylinder camera, radians
    sint32 m_nCameraType;    // 0 plane camera, 1 cylinder camera
    Matrix3d m_mTransform;   // current transform; its translation is the last position placed
    CColor m_cColor;
    std::vector<CTexture*> m_vTextures;   // owned; the last is current, null for none
    std::vector<CMaterial*> m_vMaterials; // owned; the last is current
    std::vector<CModelEntry> m_vModels;
    ModelLoader m_pfnLoadModel;
};
