// The plane (pinhole) camera and the cylinder (panorama) camera, and the placement and
// projection they share.
#include "raytracer/Camera.h"

#include <climits>
#include <cmath>

namespace
{
const float kLookAtEpsilon = 1e-7f;

bool IsFinite(const Vector3d& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Truncation toward zero that stays defined for values outside the int range: they
// (and NaN) land on the int limits, which no picture contains.
int TruncateToInt(float f)
{
    if (f > -2147483648.0f && f < 2147483648.0f)
        return int(f);
    return f > 0.0f ? INT_MAX : INT_MIN;
}
} // namespace

CCamera::CCamera(int nWidth, int nHeight) : m_nWidth(nWidth), m_nHeight(nHeight)
{
    m_mCameraToWorld.Fill(0.0f);
    m_mWorldToCamera.Fill(0.0f);
    LookAt(Vector3d(0.0f, 0.0f, 0.0f), Vector3d(0.0f, 0.0f, -1.0f), Vector3d(0.0f, 1.0f, 0.0f));
}

CCamera::~CCamera() = default;

bool CCamera::LookAt(const Vector3d& vEye, const Vector3d& vTarget, const Vector3d& vUp)
{
    if (vUp.Length() < kLookAtEpsilon)
        return false;
    Vector3d vZ = vEye - vTarget;
    const float fZLength = vZ.Length();
    if (fZLength < kLookAtEpsilon)
        return false;
    // Divided rather than normalised: lengths between 1e-7 and 1e-6 are fine here.
    vZ = vZ * (1.0f / fZLength);
    Vector3d vX = Cross(vUp, vZ);
    const float fXLength = vX.Length();
    if (fXLength < kLookAtEpsilon)
        return false;
    vX = vX * (1.0f / fXLength);
    const Vector3d vY = Cross(vZ, vX);

    // Infinite or NaN input would leave a camera whose every ray is NaN; refuse it and
    // keep the old placement, as for the other refusals.
    if (!IsFinite(vEye) || !IsFinite(vX) || !IsFinite(vY) || !IsFinite(vZ))
        return false;

    const Matrix3d mCameraToWorld(vX, vY, vZ, vEye);
    Matrix3d mWorldToCamera;
    if (!mCameraToWorld.Invert(mWorldToCamera))
        return false;
    m_mCameraToWorld = mCameraToWorld;
    m_mWorldToCamera = mWorldToCamera;
    return true;
}

void CCamera::SetImageSize(int nWidth, int nHeight)
{
    m_nWidth = nWidth;
    m_nHeight = nHeight;
}

void CCamera::ToWorldRay(const Vector3d& d, Vector3d& vOrigin, Vector3d& vDir) const
{
    const Vector3d& vEye = m_mCameraToWorld.m_vRow[3];
    vOrigin = vEye;
    vDir = d * m_mCameraToWorld - vEye;
}

bool CCamera::ProjectPlane(const Vector3d& p, float fZoom, int& px, int& py) const
{
    const Vector3d q = p * m_mWorldToCamera;
    if (q.z >= 0.0f)
        return false; // on or behind the camera's plane
    const float w = float(m_nWidth);
    const float h = float(m_nHeight);
    px = TruncateToInt(0.5f * (w - w * fZoom * q.x / q.z));
    py = TruncateToInt(0.5f * (h - w * fZoom * q.y / q.z));
    return px >= 0 && px < m_nWidth && py >= 0 && py < m_nHeight;
}

CPlaneCamera::CPlaneCamera(int nWidth, int nHeight, float fZoom)
    : CCamera(nWidth, nHeight), m_fZoom(fZoom)
{
}

void CPlaneCamera::GetRay(int x, int y, float fx, float fy, Vector3d& vOrigin,
                          Vector3d& vDir) const
{
    // Both axes are divided by the width, so pixels are square.
    const float w = float(m_nWidth);
    const float X = float(2 * x - m_nWidth) / w + fx / w;
    const float Y = float(2 * y - m_nHeight) / w + fy / w;
    ToWorldRay(Vector3d(X, Y, -m_fZoom), vOrigin, vDir);
}

bool CPlaneCamera::Project(const Vector3d& p, int& px, int& py) const
{
    return ProjectPlane(p, m_fZoom, px, py);
}

CCylinderCamera::CCylinderCamera(int nWidth, int nHeight, float fAngle)
    : CCamera(nWidth, nHeight), m_fZoom(fAngle)
{
}

void CCylinderCamera::GetRay(int x, int y, float fx, float fy, Vector3d& vOrigin,
                             Vector3d& vDir) const
{
    const float w = float(m_nWidth);
    const float h = float(m_nHeight);
    const float X = float(2 * x - m_nWidth) / w + fx / w;
    const float Y = float(2 * y - m_nHeight) / h + fy / h;
    const float a = -X * m_fZoom * 0.5f;
    const Vector3d d(std::sin(a), Y * m_fZoom * h / (2.0f * w), -std::cos(a));
    ToWorldRay(d, vOrigin, vDir);
}

bool CCylinderCamera::Project(const Vector3d& p, int& px, int& py) const
{
    // The plane camera's perspective, with the opening angle as its zoom.
    return ProjectPlane(p, m_fZoom, px, py);
}
