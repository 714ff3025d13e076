#pragma once

// The one light and the front material defaults that every context starts from. It is the
// part of the view's GL set-up (CGLSetup derives from it) that needs no window, so code
// without a view (the headless renderer, the fuzzer, the benchmarks) sets up its context
// the same way.
class CLightSetup {
public:
    // Applies the light and the material defaults to the current context. Runs once per
    // context while the modelview matrix is still the identity, so the light stays put
    // relative to the eye whatever the camera does later.
    void SetupLights() const;

    double m_dShininess = 128.0;  // front shininess applied by SetupLights
};
