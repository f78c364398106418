#pragma once

#include "ui/IconList.h"

class QWidget;

// The main window's image lists, shared by its parts: large buttons, small
// button glyphs, battery levels, sort arrows, file types and tree nodes.
struct TWindowIcons
{
    TWindowIcons();

    // Draws every list anew for the monitor the window is on.
    void ScaleFor(const QWidget *window);

    TIconList Large;
    TIconList Glyphs;
    TIconList Battery;
    TIconList Header;
    TIconList FileTypes;
    TIconList Tree;
};

// Gives a small button its glyph and its square size.
class TOxButton;
void SetGlyph(TOxButton &button, TIconList &glyphs, const QString &name);
