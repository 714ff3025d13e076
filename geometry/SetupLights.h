#pragma once

// CGLSetup::SetupLights is a member of the view's GL set-up but is defined here, beside the
// model drawing whose lighting it sets. The class itself needs nothing of Qt, so code
// without a view (the headless renderer) sets up its context the same way.
#include "view/CGLSetup.h"
