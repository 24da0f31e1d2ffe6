// The cycle's message boxes as the technician sees them: modal for the whole program,
// OK only, the text exactly as the cycle gives it.
#pragma once

#include "cycle_window.h"

#include <string>

class QWidget;

// Blocks until the box is closed. A carriage return in text starts a new line; details,
// when not empty, stand in smaller print under the text.
void ShowModalMessage(QWidget* parent, const std::string& text, const std::string& caption,
                      MessageIcon icon, const std::string& details);
