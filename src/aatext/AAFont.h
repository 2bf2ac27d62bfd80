#pragma once
// Anti-aliased text, all of it: a line of text is drawn white on black at an
// integer multiple of its size and averaged down to a coverage mask (TAAMask);
// the mask is laid onto a canvas in one colour or through a fill image
// (TAABlend) (AAMask.h). TAAFontEx decorates the line with an effect set
// (shadow, gradient, texture, blur, outline, noise, opacity) (AAEffects.h,
// AAFontEx.h), and two named collections let tags in the text pick a font set
// (TFontLabels) or an alignment and inserted values (TUserLabels)
// (AALabels.h).
//
// Everything here runs on the GUI thread.

#include "aatext/AAEffects.h"
#include "aatext/AAFontEx.h"
#include "aatext/AALabels.h"
#include "aatext/AAMask.h"
