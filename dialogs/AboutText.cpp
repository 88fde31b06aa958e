#include "dialogs/AboutText.h"

#include "VornVersion.h"

const char aboutText[] = "Vorn\n\n" VORN_VERSION_TEXT "\n\nCopyright (C) 2026 Bramix\n\nDraw Vorn";

const char filterDialogCaption[] = "Vorn " VORN_VERSION_TEXT;
