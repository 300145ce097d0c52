// Text for GUI images and model decals: DejaVu glyphs through FreeType, drawn
// with an outline, a drop shadow and a vertical fill gradient.
#pragma once

#include <string>

#include "common.h"

namespace ag {

enum class Face { Bold, CondBold, Sans, MonoBold };

struct TextStyle {
  Face face = Face::CondBold;
  float size = 20;          // pixel height of the em
  Col top = rgb(250, 232, 160);
  Col bottom = rgb(214, 170, 70);
  Col outline = rgb(20, 18, 10);
  float outline_px = 1.5f;  // 0: none
  Col shadow = rgb(0, 0, 0, 170);
  float shadow_dx = 1.5f, shadow_dy = 1.5f;  // 0,0: none
  float tracking = 0.5f;    // extra pixels between letters
};

enum class Align { Left, Center, Right };

// Width in pixels of `text` in the style.
float text_width(const std::string& text, const TextStyle& st);
// Draws `text` with its baseline box centred vertically on cy (cap height centred).
void draw_text(Canvas& c, const std::string& text, float x, float cy, Align align, const TextStyle& st);
// Shrinks the style's size until the text fits max_w; returns the size used.
float fit_size(const std::string& text, TextStyle st, float max_w);

}  // namespace ag
