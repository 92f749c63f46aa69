#pragma once

// Lets Qt scale the whole window by the display's scale, 125 % as 1.25, as Qt 6 does by
// itself. Qt 5 otherwise grows only the fonts, and the form's fixed geometry cuts the
// captions. Call before the application object exists.
void enable_high_dpi_scaling();
