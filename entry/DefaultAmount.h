// The Amount a new parameter block starts with: used by the plug-in, the
// command-line host and the property list in resources/Vorn.rc. A plain
// macro, so that the resource compiler reads it too.
#ifndef VORN_ENTRY_DEFAULT_AMOUNT_H
#define VORN_ENTRY_DEFAULT_AMOUNT_H

#define VORN_DEFAULT_AMOUNT 10

#endif
