// The scene-script interpreter: the script loop with its command table, the
// argument-signature check, the fifteen command handlers and the render stage.
#include "vorl/Parser.h"

#include "model/Model.h"
#include "model/ModelFile.h"
#include "common/util/LineSplit.h"
#include "common/util/Tokenizer.h"
#include "raytracer/Camera.h"
#include "raytracer/Geometry.h"
#include "raytracer/Material.h"
#include "raytracer/PhotonRender.h"
#include "raytracer/Render.h"
#include "raytracer/Texture.h"

#include <cassert>
#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace
{

const char* const g_pPhotonMapImage = "photonmap_image.tga";
const char* const g_pPhotonRenderImage = "photon_render.tga";

// Largest image side: the TGA header holds 16-bit sizes.
const sint32 MAX_IMAGE_SIZE = 65535;
// Beyond 30 octaves the marble noise would scale by 1 << 31 and more.
const sint32 MAX_OCTAVES = 30;

// The conversions of an argument word that CParser::CheckArgs has accepted;
// they read the longest number at the start of the word, as atoi and atof do.
int ToInt(const std::string& sWord)
{
    return int(std::strtol(sWord.c_str(), nullptr, 10));
}

float ToFloat(const std::string& sWord)
{
    return float(std::strtod(sWord.c_str(), nullptr));
}

bool FitsInt(const std::string& sWord)
{
    errno = 0;
    long nValue = std::strtol(sWord.c_str(), nullptr, 10);
    return errno != ERANGE && nValue >= INT_MIN && nValue <= INT_MAX;
}

bool FitsFloat(const std::string& sWord)
{
    double dValue = std::strtod(sWord.c_str(), nullptr);
    return std::fabs(dValue) <= FLT_MAX; // false for infinities too
}

bool IsFinite(const Vector3d& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool IsFinite(const Matrix3d& m)
{
    for (const Vector3d& vRow : m.m_vRow)
        if (!IsFinite(vRow))
            return false;
    return true;
}

// A primitive stores its transform together with the inverse, so the transform
// must have one that floats can hold.
bool CanPlace(const Matrix3d& m)
{
    if (!IsFinite(m))
        return false;
    const Vector3d* r = m.m_vRow;
    // The determinant in double: with floats a product could overflow to an
    // infinity and leave an inverse of zeros that still counts as valid.
    double dDet = double(r[0].x) * (double(r[1].y) * r[2].z - double(r[1].z) * r[2].y) -
                  double(r[0].y) * (double(r[1].x) * r[2].z - double(r[1].z) * r[2].x) +
                  double(r[0].z) * (double(r[1].x) * r[2].y - double(r[1].y) * r[2].x);
    if (!(std::fabs(dDet) <= FLT_MAX))
        return false;
    Matrix3d mInverse;
    return m.Invert(mInverse) && IsFinite(mInverse);
}

// Free every mesh primitive of a model, then the model whose arrays they read.
void FreeModelEntry(CModelEntry& entry)
{
    for (CTriMesh*& pTriMesh : entry.m_vTriMeshes)
    {
        delete pTriMesh;
        pTriMesh = nullptr;
    }
    delete entry.m_pModel;
    entry.m_pModel = nullptr;
}

// The first fault of a loaded model that a mesh primitive cannot live with, or
// an empty string. Beyond the counts and indices, coordinates must be finite:
// the triangle partition and the normals are computed from them.
std::string FindLoadedModelFault(const CModel* pModel)
{
    std::string sFault = FindModelFault(pModel);
    if (!sFault.empty())
        return sFault;
    for (uint32 iMesh = 0; iMesh < pModel->GetMeshCount(); ++iMesh)
    {
        const CModelMesh* pMesh = pModel->GetMesh(iMesh);
        // A mesh without triangles renders nothing: its numbers are never used.
        if (pMesh->GetTriangleCount() == 0)
            continue;
        const char* pKind = nullptr;
        for (uint32 i = 0; i < pMesh->GetVertexCount() && !pKind; ++i)
            if (!IsFinite(pMesh->GetVertices()[i]))
                pKind = "a vertex";
        for (uint32 i = 0; i < pMesh->GetNormalCount() && !pKind; ++i)
            if (!IsFinite(pMesh->GetNormals()[i]))
                pKind = "a normal";
        if (pKind)
            return "Mesh " + std::to_string(iMesh) + " (\"" + pMesh->GetName() + "\"): " + pKind +
                   " is not a finite number";
    }
    return std::string();
}

// Whether pPath can be written, tested without changing an existing file: an
// existing file is opened for update, a new one is created and removed again.
bool CanWriteFile(const char* pPath)
{
    if (FILE* pFile = std::fopen(pPath, "rb"))
    {
        std::fclose(pFile);
        pFile = std::fopen(pPath, "r+b");
        if (!pFile)
            return false;
        std::fclose(pFile);
        return true;
    }
    // Exclusive creation, so that nothing but the new file is ever removed.
    errno = 0;
    if (FILE* pFile = std::fopen(pPath, "wx"))
    {
        std::fclose(pFile);
        std::remove(pPath);
        return true;
    }
    // Something is there that cannot be read (or a link to nowhere): leave
    // the verdict to the writer.
    return errno == EEXIST;
}

void ReportUnwritable(const char* pPath)
{
    printf("Can't write image file: %s\n", pPath);
}

void ReportNotInvertible()
{
    puts("    Current transform cannot be inverted");
}

} // namespace

CParser::CParser()
    : m_pScene(nullptr), m_pCamera(nullptr), m_nImageWidth(320), m_nImageHeight(256),
      m_nAntialiasing(0), m_nPhotons(0), m_vEye(0.0f, 0.0f, 1.0f), m_vAim(0.0f, 0.0f, 0.0f),
      m_vUp(0.0f, 1.0f, 0.0f), m_fZoom(2.0f), m_fAngle(1.5707964f), m_nCameraType(0),
      m_cColor(0.5f, 0.5f, 0.5f), m_pfnLoadModel(LoadModel)
{
    std::unique_ptr<CScene> pScene(new CScene);
    m_mTransform.SetIdentity();
    m_vTextures.push_back(nullptr);
    std::unique_ptr<CMaterial> pMaterial(new CMaterialDiffuse);
    m_vMaterials.push_back(pMaterial.get());
    pMaterial.release();
    m_pScene = pScene.release();
}

CParser::~CParser()
{
    // The scene first: its instances point to the mesh primitives of the
    // models, and its primitives to the textures and materials.
    delete m_pScene;
    m_pScene = nullptr;
    for (CTexture* pTexture : m_vTextures)
        delete pTexture;
    for (CMaterial* pMaterial : m_vMaterials)
        delete pMaterial;
    for (CModelEntry& entry : m_vModels)
        FreeModelEntry(entry);
    delete m_pCamera;
    m_pCamera = nullptr;
}

bool CParser::CheckArgs(const std::vector<std::string>& vWords, const std::string& sSignature)
{
    if (vWords.size() != sSignature.size() + 1)
        return false;
    for (size_t i = 0; i < sSignature.size(); ++i)
    {
        const std::string& sWord = vWords[i + 1];
        int iPos = 0;
        switch (sSignature[i])
        {
        case 'I':
            if (ScanNumber(sWord.c_str(), &iPos) != 1 || !FitsInt(sWord))
                return false;
            break;
        case 'R':
        {
            int iType = ScanNumber(sWord.c_str(), &iPos);
            if ((iType != 1 && iType != 4 && iType != 5) || !FitsFloat(sWord))
                return false;
            break;
        }
        case 'S':
            if (ScanIdentifier(sWord.c_str(), &iPos) != 6)
                return false;
            break;
        case '?':
            break;
        default:
            // The signatures are fixed texts of the handlers.
            assert(false);
            return false;
        }
    }
    return true;
}

bool CParser::RunScript(const char* pText)
{
    typedef bool (CParser::*CommandHandler)(const std::vector<std::string>&);
    struct SCommand
    {
        const char* pName;
        CommandHandler pfnHandler;
    };
    static const SCommand s_aCommands[] = {
        {"camera", &CParser::CmdCamera},
        {"light", &CParser::CmdLight},
        {"color", &CParser::CmdColor},
        {"texture", &CParser::CmdTexture},
        {"material", &CParser::CmdMaterial},
        {"matrix", &CParser::CmdMatrix},
        {"rotate", &CParser::CmdRotate},
        {"scale", &CParser::CmdScale},
        {"sphere", &CParser::CmdSphere},
        {"plane", &CParser::CmdPlane},
        {"antialiasing", &CParser::CmdAntialiasing},
        {"photonmapping", &CParser::CmdPhotonMapping},
        {"image", &CParser::CmdImage},
        {"loadmodel", &CParser::CmdLoadModel},
        {"instance", &CParser::CmdInstance},
    };

    int iPos = 0;
    int iLine = 0;
    int nErrors = 0;
    std::vector<std::string> vWords;
    do
    {
        // Every line counts, empty lines and comments included; the last line
        // needs no line feed.
        iPos = SplitLine(pText, iPos, vWords);
        ++iLine;
        if (vWords.empty())
            continue;

        const SCommand* pCommand = nullptr;
        for (const SCommand& command : s_aCommands)
        {
            if (vWords[0] == command.pName)
            {
                pCommand = &command;
                break;
            }
        }
        if (pCommand)
        {
            if (!(this->*pCommand->pfnHandler)(vWords))
            {
                printf("Error: line %5d    command: %s\n", iLine, vWords[0].c_str());
                ++nErrors;
            }
        }
        else if (vWords[0].empty() || vWords[0][0] != '#')
        {
            // A line of blanks has one empty word, which is no comment.
            printf("\nUnrecognized command: line %d\n", iLine);
            ++nErrors;
        }
    } while (iPos != 0);

    if (nErrors != 0)
    {
        printf("Found %d error(s) in script, try 'vorl help' for more info\n", nErrors);
        return false;
    }
    return true;
}

bool CParser::CmdCamera(const std::vector<std::string>& vWords)
{
    if (vWords.size() < 2)
        return false;
    const std::string& sSub = vWords[1];
    if (sSub == "eye" || sSub == "aim" || sSub == "up")
    {
        if (!CheckArgs(vWords, "SRRR"))
            return false;
        Vector3d v(ToFloat(vWords[2]), ToFloat(vWords[3]), ToFloat(vWords[4]));
        if (sSub == "eye")
            m_vEye = v;
        else if (sSub == "aim")
            m_vAim = v;
        else
            m_vUp = v;
        return true;
    }
    if (sSub == "plane")
    {
        if (!CheckArgs(vWords, "SR"))
            return false;
        m_nCameraType = 0;
        m_fZoom = ToFloat(vWords[2]);
        return true;
    }
    if (sSub == "cylinder")
    {
        if (!CheckArgs(vWords, "SR"))
            return false;
        m_nCameraType = 1;
        m_fAngle = float(ToFloat(vWords[2]) * 0.017453292f); // degrees to radians
        return true;
    }
    return false;
}

bool CParser::CmdLight(const std::vector<std::string>& vWords)
{
    if (!CheckArgs(vWords, "RRRR"))
        return false;
    Vector3d vPosition(ToFloat(vWords[1]), ToFloat(vWords[2]), ToFloat(vWords[3]));
    m_pScene->AddLight(CLight(vPosition, ToFloat(vWords[4])));
    return true;
}

bool CParser::CmdColor(const std::vector<std::string>& vWords)
{
    if (!CheckArgs(vWords, "RRR"))
        return false;
    // Channels are given on a scale of 0 to 256.
    m_cColor = CColor(ToFloat(vWords[1]) * 0.00390625f, ToFloat(vWords[2]) * 0.00390625f,
                      ToFloat(vWords[3]) * 0.00390625f);
    return true;
}

bool CParser::CmdTexture(const std::vector<std::string>& vWords)
{
    if (vWords.size() < 2)
        return false;
    if (vWords[1] == "marble")
    {
        if (!CheckArgs(vWords, "SRRRI"))
            return false;
        int iOctaves = ToInt(vWords[5]);
        if (iOctaves < 0 || iOctaves > MAX_OCTAVES)
        {
            printf("    Octaves must be 0 to %d: %d\n", MAX_OCTAVES, iOctaves);
            return false;
        }
        std::unique_ptr<CTextureMarble> pTexture(new CTextureMarble(
            ToFloat(vWords[2]), ToFloat(vWords[3]), ToFloat(vWords[4]), iOctaves));
        pTexture->SetColor(m_cColor);
        m_vTextures.push_back(pTexture.get());
        pTexture.release();
        return true;
    }
    if (vWords[1] == "flat")
    {
        if (vWords.size() != 2)
            return false;
        m_vTextures.push_back(nullptr);
        return true;
    }
    return false;
}

bool CParser::CmdMaterial(const std::vector<std::string>& vWords)
{
    if (vWords.size() < 2)
        return false;
    const std::string& sType = vWords[1];
    std::unique_ptr<CMaterial> pMaterial;
    if (sType == "diffuse" || sType == "plastic" || sType == "metal")
    {
        if (vWords.size() != 2)
            return false;
        if (sType == "diffuse")
            pMaterial.reset(new CMaterialDiffuse);
        else if (sType == "plastic")
            pMaterial.reset(new CMaterialGlossy);
        else
            pMaterial.reset(new CMaterialMetal);
    }
    else if (sType == "glass")
    {
        if (!CheckArgs(vWords, "SRR"))
            return false;
        float fIndex = ToFloat(vWords[2]);
        if (!(fIndex >= 1.0f))
        {
            printf("    Refraction index must be at least 1.0: %s\n", vWords[2].c_str());
            return false;
        }
        pMaterial.reset(new CMaterialGlass);
        pMaterial->SetRefractionIndex(fIndex);
        pMaterial->SetAttenuation(ToFloat(vWords[3]));
        pMaterial->SetColor(m_cColor);
    }
    else
        return false;
    m_vMaterials.push_back(pMaterial.get());
    pMaterial.release();
    return true;
}

bool CParser::CmdMatrix(const std::vector<std::string>& vWords)
{
    if (!CheckArgs(vWords, "RRRRRRRRR"))
        return false;
    // Rows are the images of the x, y and z axes; the translation stays.
    for (int iRow = 0; iRow < 3; ++iRow)
        m_mTransform.m_vRow[iRow].Set(ToFloat(vWords[3 * iRow + 1]), ToFloat(vWords[3 * iRow + 2]),
                                      ToFloat(vWords[3 * iRow + 3]));
    return true;
}

bool CParser::CmdRotate(const std::vector<std::string>& vWords)
{
    if (!CheckArgs(vWords, "RRR"))
        return false;
    float afRadians[3];
    for (int i = 0; i < 3; ++i)
        afRadians[i] = ToFloat(vWords[i + 1]) * 3.1415927f / 180.0f;
    m_mTransform.m_vRow[3].Set(0.0f, 0.0f, 0.0f);
    m_mTransform = m_mTransform * Matrix3d::Rotation(afRadians[0], afRadians[1], afRadians[2]);
    return true;
}

bool CParser::CmdScale(const std::vector<std::string>& vWords)
{
    if (!CheckArgs(vWords, "RRR"))
        return false;
    m_mTransform.m_vRow[3].Set(0.0f, 0.0f, 0.0f);
    m_mTransform = m_mTransform * Matrix3d::Scaling(ToFloat(vWords[1]), ToFloat(vWords[2]),
                                                    ToFloat(vWords[3]));
    return true;
}

bool CParser::GetPlacement(const std::vector<std::string>& vWords, Matrix3d& mPlaced) const
{
    size_t iFirst = vWords.size() - 3;
    mPlaced = m_mTransform;
    mPlaced.m_vRow[3].Set(ToFloat(vWords[iFirst]), ToFloat(vWords[iFirst + 1]),
                          ToFloat(vWords[iFirst + 2]));
    if (!CanPlace(mPlaced))
    {
        ReportNotInvertible();
        return false;
    }
    return true;
}

bool CParser::AddPlaced(CPrimitive* pPrimitive, const Matrix3d& mPlaced)
{
    std::unique_ptr<CPrimitive> pOwned(pPrimitive);
    if (!pPrimitive->SetTransform(mPlaced))
    {
        ReportNotInvertible();
        return false;
    }
    pPrimitive->m_cColor = m_cColor;
    pPrimitive->m_pMaterial = m_vMaterials.back();
    pPrimitive->m_pTexture = m_vTextures.back();
    m_pScene->AddPrimitive(pPrimitive);
    pOwned.release();
    return true;
}

bool CParser::CmdSphere(const std::vector<std::string>& vWords)
{
    Matrix3d mPlaced;
    if (!CheckArgs(vWords, "RRR") || !GetPlacement(vWords, mPlaced) ||
        !AddPlaced(new CSphere, mPlaced))
        return false;
    // The position stays in the current transform until the next placement.
    m_mTransform = mPlaced;
    return true;
}

bool CParser::CmdPlane(const std::vector<std::string>& vWords)
{
    Matrix3d mPlaced;
    if (!CheckArgs(vWords, "RRR") || !GetPlacement(vWords, mPlaced) ||
        !AddPlaced(new CPlane, mPlaced))
        return false;
    m_mTransform = mPlaced;
    return true;
}

bool CParser::CmdAntialiasing(const std::vector<std::string>& vWords)
{
    if (!CheckArgs(vWords, "I"))
        return false;
    m_nAntialiasing = ToInt(vWords[1]);
    return true;
}

bool CParser::CmdPhotonMapping(const std::vector<std::string>& vWords)
{
    if (!CheckArgs(vWords, "I"))
        return false;
    int nPhotons = ToInt(vWords[1]);
    if (nPhotons < 0)
    {
        printf("    Photon count must not be negative: %d\n", nPhotons);
        return false;
    }
    m_nPhotons = nPhotons;
    return true;
}

bool CParser::CmdImage(const std::vector<std::string>& vWords)
{
    if (!CheckArgs(vWords, "II"))
        return false;
    int nWidth = ToInt(vWords[1]);
    int nHeight = ToInt(vWords[2]);
    if (nWidth < 1 || nWidth > MAX_IMAGE_SIZE || nHeight < 1 || nHeight > MAX_IMAGE_SIZE)
    {
        printf("    Image size must be 1 to %d pixels each way: %d x %d\n", MAX_IMAGE_SIZE, nWidth,
               nHeight);
        return false;
    }
    m_nImageWidth = nWidth;
    m_nImageHeight = nHeight;
    return true;
}

bool CParser::CmdLoadModel(const std::vector<std::string>& vWords)
{
    if (!CheckArgs(vWords, "S?"))
        return false;
    const std::string& sFile = vWords[2];
    std::unique_ptr<CModel> pModel(new CModel);
    bool bRead = m_pfnLoadModel(sFile, pModel.get());
    if (bRead)
    {
        std::string sFault = FindLoadedModelFault(pModel.get());
        if (!sFault.empty())
        {
            printf("%s\n", sFault.c_str());
            bRead = false;
        }
    }
    if (!bRead)
    {
        printf("Model file %s not read\n", sFile.c_str());
        return false;
    }

    CModelEntry entry;
    entry.m_sName = vWords[1];
    try
    {
        for (uint32 i = 0; i < pModel->GetMeshCount(); ++i)
        {
            const CModelMesh* pMesh = pModel->GetMesh(i);
            // A mesh without triangles has nothing to hit and no box to build
            // a partition from; its instances are left out.
            entry.m_vTriMeshes.push_back(nullptr);
            if (pMesh->GetTriangleCount() == 0)
                continue;
            CTriMesh* pTriMesh = new CTriMesh(pMesh);
            entry.m_vTriMeshes.back() = pTriMesh;
            Matrix3d mIdentity;
            mIdentity.SetIdentity();
            pTriMesh->SetTransform(mIdentity);
        }
        entry.m_pModel = pModel.get();
        m_vModels.push_back(entry);
    }
    catch (...)
    {
        entry.m_pModel = nullptr;
        FreeModelEntry(entry);
        throw;
    }
    pModel.release();
    return true;
}

bool CParser::CmdInstance(const std::vector<std::string>& vWords)
{
    if (!CheckArgs(vWords, "SRRR"))
        return false;
    // With repeated names the earliest model wins.
    const CModelEntry* pEntry = nullptr;
    for (const CModelEntry& entry : m_vModels)
    {
        if (entry.m_sName == vWords[1])
        {
            pEntry = &entry;
            break;
        }
    }
    if (!pEntry)
    {
        printf("    Reference to model name not defined: %s\n", vWords[1].c_str());
        return false;
    }
    Matrix3d mPlaced;
    if (!GetPlacement(vWords, mPlaced))
        return false;
    for (CTriMesh* pTriMesh : pEntry->m_vTriMeshes)
    {
        // An instance always takes a transform that passed the check above.
        if (pTriMesh && !AddPlaced(new CObjectInstance(pTriMesh), mPlaced))
            return false;
    }
    m_mTransform = mPlaced;
    return true;
}

bool CParser::RenderScene(const char* pImagePath)
{
    // Every picture file must be writable before any work is done.
    std::vector<const char*> vOutputs;
    if (m_nPhotons != 0)
    {
        vOutputs.push_back(g_pPhotonMapImage);
        vOutputs.push_back(g_pPhotonRenderImage);
    }
    vOutputs.push_back(pImagePath);
    for (const char* pPath : vOutputs)
    {
        if (!CanWriteFile(pPath))
        {
            ReportUnwritable(pPath);
            return false;
        }
    }

    delete m_pCamera;
    m_pCamera = nullptr;
    if (m_nCameraType == 1)
        m_pCamera = new CCylinderCamera(m_nImageWidth, m_nImageHeight, m_fAngle);
    else
        m_pCamera = new CPlaneCamera(m_nImageWidth, m_nImageHeight, m_fZoom);
    // Eye at the aim or a bad up vector keeps the camera's own orientation.
    m_pCamera->LookAt(m_vEye, m_vAim, m_vUp);

    bool bWritten = true;
    if (m_nPhotons != 0)
    {
        CPhotonRender photonRender;
        photonRender.ComputePhotonMap(m_pScene, m_nPhotons);
        if (!photonRender.RenderPhotonMap(m_pScene, m_pCamera, g_pPhotonMapImage))
        {
            ReportUnwritable(g_pPhotonMapImage);
            bWritten = false;
        }
        if (!photonRender.Render(m_pScene, m_pCamera, g_pPhotonRenderImage))
        {
            ReportUnwritable(g_pPhotonRenderImage);
            bWritten = false;
        }
    }

    CRenderContext context;
    if (!context.RenderImage(m_pScene, m_pCamera, m_nAntialiasing, pImagePath))
    {
        ReportUnwritable(pImagePath);
        bWritten = false;
    }
    return bWritten;
}
