#pragma once

class QLabel;
class QString;
class QWidget;

// A caption label in the window's bold heading font.
QLabel *BoldLabel(const QString &text, QWidget *parent);
