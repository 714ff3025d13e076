#pragma once

// Red X, green Y and blue Z axes from the origin, nLength units long, as one GL_LINES
// block. Line width and lighting are the caller's.
void DrawAxes(int nLength);
