#pragma once

class QWidget;

// The forms place much of their text at fixed sizes, measured with Windows' 8-point UI font.
// Larger or wider desktop fonts (DejaVu Sans on most Linux desktops) would cut those captions,
// so a form gets the largest size, in half points, at which its fixed captions fit; a combo box
// of fixed size whose items still do not fit gets a smaller size of its own. A form whose text
// already fits keeps the desktop's font untouched, which is what Windows shows.
void fit_form_font(QWidget *form);
