#pragma once

class QWidget;

// Shows popup, a child of field's window, under field: flipped above it when
// the window has no room below, kept inside the window, raised over its
// siblings and given the focus.
void ShowPopUpUnder(QWidget *popup, QWidget *field);
