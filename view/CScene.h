#pragma once

#include "geometry/CShadedModel.h"
#include "model/C3DS.h"

class CLightSetup;

inline constexpr double kHalfPi = 1.57079632675;   // a level gaze, and a heading along +Y
inline constexpr double kPitchMax = 3.1415926535;  // straight down; the pitch stays within 0..this
// The object-mode start angles, which Home turns back to.
inline constexpr float kHomeAngleX = -70.0f;
inline constexpr float kHomeAngleY = 0.0f;
inline constexpr float kHomeAngleZ = -45.0f;

// The net lives in display list 1 of every context it is drawn into. Each context starts
// without lists and the net is the only one, so the number is always free, and a fixed
// number lets a frame call the list without asking anyone for it.
inline constexpr unsigned kNetList = 1;

// What one frame is drawn from, and the drawing itself: both cameras, the switches and the
// projection. The view inherits it, so the members keep their names there; the headless
// renderer fills one of its own. Needs a current GL context and nothing of Qt.
class CScene {
public:
    // Background, camera, net or axes and the model, into the current context; presenting
    // is the caller's. A failure half-way leaves the modelview stack where it started.
    void DrawScene(C3DS& model);
    void ApplyWalkView();
    void SetWalkCamera();
    // Everything a fresh context needs before it draws its first frame: the fixed state,
    // the light and material defaults, the net's list. Every context that draws a scene
    // (a view's, the renderer's, the fuzzer's, the benchmarks') is prepared by this alone.
    static void PrepareContext(const CLightSetup& lights);
    // Compiles the net into kNetList of the current context; once per context.
    static void BuildNetList();
    // Viewport and perspective for a client area of cx x cy device-independent pixels.
    void SetProjection(int cx, int cy, double dPixelRatio);
    // The model at dScale (0: its fit scale) in the look the switch asks for; the scale used.
    double DrawSceneModel(C3DS& model, double dScale);

    bool m_bLevelView = false;
    // The walk-mode start; the view keeps a copy of it as its home.
    double m_dEyeX = 0.0;
    double m_dEyeY = -10.0;
    double m_dEyeZ = 2.0;
    double m_dPitch = kHalfPi;          // level gaze; larger lowers it
    double m_dHeading = kHalfPi;        // radians from +X towards +Y, never wrapped
    double m_dSpinX = 0.0;
    double m_dSpinY = 0.0;
    double m_dSpinZ = 0.0;
    double m_dFovY = 45.0;
    double m_dAspect = 1.0;
    double m_dNear = 0.10000000149011612;  // the float 0.1, widened
    double m_dFar = 100.0;
    double m_dWalkScale = 0.0;          // 0 asks the model drawing for its fit scale
    bool m_bAutoRotate = false;
    bool m_bWhiteBackground = false;
    bool m_bShowNet = true;
    bool m_bShowAxes = false;
    bool m_bWalkAround = false;
    float m_fAngleX = kHomeAngleX;
    float m_fAngleY = kHomeAngleY;
    float m_fAngleZ = kHomeAngleZ;
    float m_fDistance = 5.0f;
    // Object mode only: a shift of the model across the view, in eye units at right angles
    // to the line of sight, applied before the turn. Zero leaves the frame as it always was.
    float m_fPanX = 0.0f;
    float m_fPanY = 0.0f;
    // Every face in its own material, smoothed and textured, instead of the classic look.
    // It needs the caller's shaded drawing of the model (built on its first frame) and,
    // for textures, a resolver; without the drawing the switch changes nothing.
    bool m_bFullShading = false;
    CShadedModel* m_pShaded = nullptr;
    CShadedModel::TextureResolver m_fnResolveTexture;
};
