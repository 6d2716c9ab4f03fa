// How a form's design becomes a GTK dialog, decided without GTK: which
// controls share a line, which line is the row of command buttons, which
// control an access key gives the focus to, and captions as GTK mnemonic
// text. The design's twips are for an 8-point Windows font, so only their
// order is used; GTK gives every control its natural size in the
// desktop's font.
#pragma once

#include <string>
#include <vector>

#include "api/forms.h"

namespace vss::gtk {

// One line of a container: indices into the designs, left to right.
struct Line {
  std::vector<int> items;
  // Only command buttons: they go into a button box at the right, with
  // `secondary` (at the container's left margin) kept apart at the left.
  bool buttons = false;
  std::vector<int> secondary;
};

// The visible controls whose container is `container` ("" for the form),
// as lines by their Top (equal Top, one line), each ordered by Left.
std::vector<Line> Lines(const std::vector<ControlDesign>& designs, const std::string& container);

// The control a label's or frame's access key focuses: the next one in the
// tab order (the designs' order) that takes the keyboard; -1 when none.
int MnemonicTarget(const std::vector<ControlDesign>& designs, int index);

// "&" marks the access key and "&&" is a literal "&"; GTK marks it with
// "_", so a literal "_" is doubled.
std::string MnemonicText(const std::string& caption);

// Text made safe for Pango markup.
std::string EscapeMarkup(const std::string& text);

}  // namespace vss::gtk
