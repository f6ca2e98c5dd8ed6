// Cameras: turn a pixel into a primary ray in world space and a world point back into
// a pixel. A pinhole camera with a flat picture plane, and a cylindrical panorama.
#pragma once

#include "common/vecmat/matrix3d.h"
#include "common/vecmat/vector3d.h"

// The camera frame is right-handed: x right, y up, looking along its negative z axis.
class CCamera
{
public:
    CCamera(int nWidth, int nHeight);
    virtual ~CCamera();

    // The primary ray through pixel (x, y) at sub-pixel offsets fx, fy: origin is the
    // eye, dir is not normalised.
    virtual void GetRay(int x, int y, float fx, float fy, Vector3d& vOrigin,
                        Vector3d& vDir) const = 0;
    // The pixel at which world point p is seen (perspective of the picture plane).
    // False when p is not in front of the camera (px, py untouched) or lies outside
    // the picture (px, py written, truncated toward zero).
    virtual bool Project(const Vector3d& p, int& px, int& py) const = 0;

    // Places the eye at vEye looking at vTarget; false (placement unchanged) for a
    // zero up vector, eye at the target, or up along the view direction.
    bool LookAt(const Vector3d& vEye, const Vector3d& vTarget, const Vector3d& vUp);

    void SetImageSize(int nWidth, int nHeight);
    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }
    const Matrix3d& GetCameraToWorld() const { return m_mCameraToWorld; }
    const Matrix3d& GetWorldToCamera() const { return m_mWorldToCamera; }

protected:
    // Perspective projection shared by both cameras.
    bool ProjectPlane(const Vector3d& p, float fZoom, int& px, int& py) const;
    // Turns camera-space direction d into world space; the origin is the eye.
    void ToWorldRay(const Vector3d& d, Vector3d& vOrigin, Vector3d& vDir) const;

    int m_nWidth;
    int m_nHeight;
    Matrix3d m_mCameraToWorld; // rows: camera x, y, z axes in world space, then the eye
    Matrix3d m_mWorldToCamera;
};

class CPlaneCamera : public CCamera
{
public:
    // fZoom: distance of the picture plane from the eye, in half picture widths.
    CPlaneCamera(int nWidth, int nHeight, float fZoom);

    void GetRay(int x, int y, float fx, float fy, Vector3d& vOrigin,
                Vector3d& vDir) const override;
    bool Project(const Vector3d& p, int& px, int& py) const override;
    void SetZoom(float fZoom) { m_fZoom = fZoom; }

private:
    float m_fZoom;
};

// Column 0 looks toward the camera's right (+x), the last column toward its left.
class CCylinderCamera : public CCamera
{
public:
    // fAngle: horizontal opening angle in radians.
    CCylinderCamera(int nWidth, int nHeight, float fAngle);

    void GetRay(int x, int y, float fx, float fy, Vector3d& vOrigin,
                Vector3d& vDir) const override;
    bool Project(const Vector3d& p, int& px, int& py) const override;
    void SetZoom(float fZoom) { m_fZoom = fZoom; }

private:
    float m_fZoom; // opening angle, radians
};
