// Cameras: placement, the primary rays of both cameras, and projection back to pixels.
#include "raytracer/Camera.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
void ExpectVector(const Vector3d& v, const Vector3d& e, float fTolerance = 1e-6f)
{
    EXPECT_NEAR(v.x, e.x, fTolerance);
    EXPECT_NEAR(v.y, e.y, fTolerance);
    EXPECT_NEAR(v.z, e.z, fTolerance);
}

TEST(CameraTest, LookAtPlacesTheCameraOrKeepsThePreviousPlacement)
{
    const float fInf = std::numeric_limits<float>::infinity();
    const struct { Vector3d eye, target, up; bool bAccepted; } aCases[] = {
        {{0, 0, 5}, {0, 0, 0}, {0, 1, 0}, true},
        {{0, 0, 5e-7f}, {0, 0, 0}, {0, 1, 0}, true},    // short, but above 1e-7
        {{0, 0, 5}, {0, 0, 0}, {0, 0, 1}, false},       // up along the view direction
        {{0, 0, 5}, {0, 0, 0}, {0, 0, 0}, false},
        {{1, 2, 3}, {1, 2, 3}, {0, 1, 0}, false},       // eye at the target
        {{fInf, 0, 5}, {0, 0, 0}, {0, 1, 0}, false},    // would give NaN rays
        {{0, 0, std::nanf("")}, {0, 0, 0}, {0, 1, 0}, false},
    };
    for (const auto& c : aCases)
    {
        CPlaneCamera camera(320, 256, 2.0f);
        // A new camera sits at the origin looking down -z.
        ExpectVector(camera.GetCameraToWorld().m_vRow[0], Vector3d(1, 0, 0));
        ExpectVector(camera.GetWorldToCamera().m_vRow[2], Vector3d(0, 0, 1));
        EXPECT_EQ(camera.LookAt(c.eye, c.target, c.up), c.bAccepted) << c.eye.z;
        const Vector3d vEye = c.bAccepted ? c.eye : Vector3d(0, 0, 0);
        for (int i = 0; i < 3; ++i)
            ExpectVector(camera.GetCameraToWorld().m_vRow[i],
                         Vector3d(i == 0 ? 1.0f : 0.0f, i == 1 ? 1.0f : 0.0f, i == 2 ? 1.0f : 0.0f));
        ExpectVector(camera.GetCameraToWorld().m_vRow[3], vEye);
        ExpectVector(camera.GetWorldToCamera().m_vRow[3], -vEye);
    }
}

TEST(CameraTest, PrimaryRays)
{
    CPlaneCamera plane(320, 256, 2.0f);
    CCylinderCamera cylinder(320, 256, 3.14159265f / 2);
    const float s = std::sqrt(0.5f);
    const struct { const CCamera* p; int x, y; float fx, fy; Vector3d dir; } aCases[] = {
        {&plane, 0, 0, 0.5f, 0.5f, {-0.9984375f, -0.7984375f, -2.0f}}, // both axes over the width
        {&plane, 160, 128, 0.0f, 0.0f, {0, 0, -2}},
        {&plane, 319, 255, 1.0f, 1.0f, {319.0f / 320.0f, 255.0f / 320.0f, -2}},
        {&cylinder, 0, 128, 0.0f, 0.0f, {s, 0, -s}},                     // column 0 looks right
        {&cylinder, 160, 128, 0.0f, 0.0f, {0, 0, -1}},
        {&cylinder, 160, 0, 0.0f, 0.0f, {0, -3.14159265f / 2 * 256.0f / 640.0f, -1}},
    };
    for (const auto& c : aCases)
    {
        Vector3d vOrigin(9, 9, 9), vDir(9, 9, 9);
        c.p->GetRay(c.x, c.y, c.fx, c.fy, vOrigin, vDir);
        ExpectVector(vOrigin, Vector3d(0, 0, 0));
        ExpectVector(vDir, c.dir);
    }
}

TEST(CameraTest, ProjectTruncatesAndRefusesPointsOutsideThePicture)
{
    CPlaneCamera camera(320, 256, 2.0f);
    const struct { Vector3d p; bool bInside; int px, py; } aCases[] = {
        {{0, 0, -1}, true, 160, 128},
        {{-0.5015625f, 0, -1}, true, 0, 128}, // px = -0.5 truncates to 0
        {{-0.6f, 0, -1}, false, -32, 128},
        {{0, 0.5f, -1}, false, 160, 288},
        {{0, 0, 0}, false, 77, 77},            // on the camera's plane: untouched
        {{0, 0, 3}, false, 77, 77},            // behind: untouched
    };
    for (const auto& c : aCases)
    {
        int px = 77, py = 77;
        EXPECT_EQ(camera.Project(c.p, px, py), c.bInside) << c.p.x << " " << c.p.z;
        EXPECT_EQ(px, c.px);
        EXPECT_EQ(py, c.py);
    }
    // Values beyond any int, and NaN, are refused without an undefined conversion.
    int px = 0, py = 0;
    EXPECT_FALSE(camera.Project(Vector3d(1, 0, -1e-30f), px, py));
    EXPECT_FALSE(camera.Project(Vector3d(std::nanf(""), 0, -1), px, py));
}

TEST(CameraTest, ProjectFindsThePixelOfItsOwnRays)
{
    CPlaneCamera plane(64, 48, 1.7f);
    CCylinderCamera cylinder(64, 48, 1.7f);
    for (CCamera* pCamera : {static_cast<CCamera*>(&plane), static_cast<CCamera*>(&cylinder)})
        ASSERT_TRUE(pCamera->LookAt(Vector3d(3, -2, 7), Vector3d(0, 1, 0), Vector3d(0, 1, 0)));
    for (int y = 0; y < 48; y += 5)
        for (int x = 0; x < 64; x += 7)
        {
            Vector3d vOrigin, vDir;
            // Quarter-pixel offsets keep the projection clear of the truncation edge.
            plane.GetRay(x, y, 0.25f, 0.25f, vOrigin, vDir);
            int px = -1, py = -1, cx = -1, cy = -1;
            EXPECT_TRUE(plane.Project(vOrigin + 3.0f * vDir, px, py));
            EXPECT_EQ(px, x);
            EXPECT_EQ(py, y);
            // The cylinder camera projects with the plane camera's perspective.
            cylinder.Project(vOrigin + 3.0f * vDir, cx, cy);
            EXPECT_EQ(cx, px);
            EXPECT_EQ(cy, py);
        }
}
} // namespace
