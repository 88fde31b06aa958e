// Image files of the native command-line host through libvips: this folder
// implements cli/image/ImageCodec.h (formats found from the content when
// reading, from the name when writing; metadata carried from the input to
// the output). What its files share is declared here.
#pragma once

#include "cli/image/ImageCodec.h"

#include <string>

typedef struct _VipsImage VipsImage;

// Starts libvips once per process, with the loaders and savers it marks
// as untrusted blocked; false (error set) when it cannot start.
bool StartImageLibrary(std::string* error);

// libvips' pending error text as one line without its module prefixes
// (or, with decoderWords, the last warning a decoder gave, which says
// more), and both cleared; "unknown" when there is none.
std::string TakeLibraryError(bool decoderWords = true);

// Metadata holding a copy of the image's fields (profile, EXIF, XMP,
// resolution, orientation, text), independent of the image's pixels.
ImageMetadata* MetadataOfImage(VipsImage* image);

// Sets the fields the metadata holds on image (which must not be
// computed yet); resolution included.
void ApplyMetadata(const ImageMetadata* metadata, VipsImage* image);
