// One configuration of the stb image codecs for every file that includes
// them: PNG only, from memory only (files are read and written by our own
// code so that errors and temporary files stay in our hands).
#pragma once

#define STBI_NO_STDIO
#define STBI_ONLY_PNG
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_WRITE_NO_STDIO
