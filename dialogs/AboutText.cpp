#include "dialogs/AboutText.h"

const char aboutText[] = "Vorn\n\n1.0.5\n\nCopyright (C) 2026 Bramix\n\nDraw Vorn";

const char filterDialogCaption[] = "Vorn 1.0.5";
