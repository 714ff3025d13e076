#pragma once

// C3DS::DrawModel is a member of the model but is defined here, with the GL code: the model
// layer knows nothing of GL. Callers that draw include this header.
//
// DrawModel(dScale, bVertexStrip, bAxes) draws every face as one GL_TRIANGLES primitive with
// a flat normal and its material, scaled by dScale, or by the fit scale (1 over the largest x)
// when dScale is 0; returns the scale used. Saves and restores the GL state it changes.
#include "model/C3DS.h"
