// SPDX-License-Identifier: MIT
// The editor's frame drawn with cairo: the response picture of the shared drawing across the
// top with the handle on its curve, then the choices of "Type" and "Cutoff", the resonance's
// text and the three sliders with their texts; the control with the keyboard focus is
// outlined. Where no font can be had, the frame is drawn without its texts.
#pragma once

#include <cairo.h>

#include "editor/editor_state.h"

// Draws `scene` into `cr`, whose user space has `pixelsPerUnit` device pixels per unit.
void drawEditor(cairo_t* cr, const EditorScene& scene, double pixelsPerUnit);
