// What the About box says: name, version, the maker's credit line and the
// description, one item per line with empty lines between them.
#pragma once

// Lines are separated by single line feeds; the box centres each line.
extern const char aboutText[];

// The filter dialog's caption: the name and the same version.
extern const char filterDialogCaption[];
