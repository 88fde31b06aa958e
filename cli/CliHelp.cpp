#include "cli/CliOptions.h"
#include "cli/Seeds.h"
#include "cli/image/ImageCodec.h"

#include "testhost/HostProfiles.h"

#include "VornVersion.h"

#include <cstdio>

namespace {

std::string Number(int64_t value) { return std::to_string(value); }

std::string Seconds(double value) {
    char text[16];
    snprintf(text, sizeof text, "%.1f", value);
    return text;
}

// text wrapped into lines of at most 80 columns, each but the first
// indented like an option's description.
std::string Wrapped(const std::string& first, const std::string& text) {
    const std::string indent(23, ' ');
    std::string out = first, line = first;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(start, end - start);
        if (line.size() + 1 + word.size() > 80) {
            out += "\n" + indent + word;
            line = indent + word;
        } else {
            out += (line.empty() ? "" : " ") + word;
            line += (line.empty() ? "" : " ") + word;
        }
        start = end + 1;
    }
    return out + "\n";
}

// What both programs draw and how.
std::string DrawingOptions() {
    return "What to draw:\n"
           "      --amount N       corridor width in pixels, 0 to 32767 (default " +
           Number(VORN_DEFAULT_AMOUNT) +
           ")\n"
           "      --scale N        walls N pixels thick, corridors N x Amount wide,\n"
           "                       1 to " +
           Number(maxScale) + " (default " + Number(defaultScale) +
           "); try 4 on photos seen whole\n"
           "      --fg COLOR       wall colour (default black)\n"
           "      --bg COLOR       corridor colour (default white)\n"
           "      --seed N         the labyrinth of seed N, 0 to " +
           Number(maxSeed) +
           ";\n"
           "                       without it a seed is drawn and reported\n"
           "COLOR is a CSS/X11 name (navy), #rgb, #rrggbb, #rrrrggggbbbb or rgb(r,g,b).\n";
}

std::string RunOptions() {
    return "Run:\n"
           "      --progress       always show the progress line on standard error\n"
           "      --no-progress    never show it (default: on a terminal, after " +
           Seconds(autoProgressDelay) +
           " s)\n"
           "      --verbose        report each file written, with its seed and time\n"
           "  -h, --help           show this help and exit\n"
           "      --version        show the version and exit\n"
           "Ctrl-C stops the run and writes nothing; a second Ctrl-C stops at once.\n";
}

const char* const exitStatus =
    "Exit status:\n"
    "  0 if all went well, 1 if a file failed, 2 for a bad command line,\n"
    "  130 if interrupted.\n";

}  // namespace

std::string HelpText(CliProgram program) {
    if (program == programVornhost) {
        return "Usage: vornhost [OPTION]... INPUT OUTPUT\n"
               "  or:  vornhost [OPTION]... INPUT... -o DIR\n"
               "  or:  vornhost --list PLUGIN.8bf\n"
               "  or:  vornhost --about [--plugin PLUGIN.8bf]\n"
               "Run a Photoshop-compatible filter plug-in (.8bf) on image files, as an\n"
               "image editor replays a recorded filter step: by default the Vorn plug-in\n"
               "beside this program (" +
               std::string(sizeof(void*) == 8 ? "Vorn64.8bf" : "Vorn.8bf") +
               "), which draws a labyrinth. INPUT is PNG, JPEG,\n"
               "TIFF, BMP or GIF, read by Windows' codecs; OUTPUT's name gives its format\n"
               "(.png, .jpg, .tif); - is standard input or output. INPUT is never changed.\n"
               "\n"
               "Plug-in:\n"
               "      --plugin PATH    the filter .8bf to load\n"
               "      --list PLUGIN    print the plug-in's property list: kind, name,\n"
               "                       entry points, the image modes it takes\n"
               "      --dialog         run the filter from the menu, with its dialog\n"
               "      --about          show the plug-in's About box\n"
               "      --host-profile NAME[,NAME]...  hand the plug-in what such a host\n" +
               Wrapped("                       hands it (default photoshop):", HostProfileNames()) +
               "\n" + DrawingOptions() +
               "\n"
               "Selection:\n"
               "      --mask MASK      filter where the gray image MASK (the image's size)\n"
               "                       is not black; the labyrinth follows its outline\n"
               "\n"
               "Output:\n"
               "  -o, --output-dir DIR  write each INPUT into DIR (made if missing)\n"
               "      --format EXT     the output's format whatever its name: png, jpg, tif\n"
               "      --quality N      JPEG quality, 1 to 100 (default " +
               Number(defaultQuality) +
               ")\n"
               "      --compression N  zlib level of 16-bit PNG, 0 to 9 (default " +
               Number(defaultPngCompression) +
               ")\n"
               "\n" +
               RunOptions() +
               "\n"
               "Examples:\n"
               "  vornhost --seed 1 in.png out.png\n"
               "                       the labyrinth of seed 1 over in.png\n"
               "  vornhost --plugin Other.8bf --dialog in.png out.png\n"
               "                       another filter, from its dialog\n"

               "\n" +
               exitStatus;
    }
    return "Usage: vorn [OPTION]... INPUT OUTPUT\n"
           "  or:  vorn [OPTION]... INPUT... -o DIR\n"
           "Draw a labyrinth over an image, as the Vorn filter plug-in does in an image\n"
           "editor: walls in the foreground colour, corridors in the background colour.\n"
           "INPUT is read by its content (PNG, JPEG, TIFF, WebP, HEIC, AVIF, GIF); the\n"
           "output's format follows its name or --format; - is standard input or\n"
           "output. INPUT is never changed; OUTPUT appears only once it is complete.\n"
           "\n" +
           DrawingOptions() +
           "\n"
           "Selection:\n"
           "      --mask MASK      filter where MASK (an image of the image's size) is\n"
           "                       not black: by its alpha, else by its luminance\n"
           "      --mask alpha     filter where the input itself is not transparent\n"
           "\n"
           "Output:\n"
           "  -o, --output-dir DIR  write each INPUT into DIR (made if missing)\n"
           "      --format EXT     the output's format whatever its name: png, jpg,\n"
           "                       tif, webp, heic, avif or gif\n"
           "      --quality N      JPEG, WebP, HEIC, AVIF quality, 1 to 100 (default " +
           Number(defaultQuality) +
           ")\n"
           "      --compression N  zlib level, 0 to 9 (default " +
           Number(defaultPngCompression) + " for PNG, " + Number(defaultTiffCompression) +
           " for TIFF)\n"
           "\n" +
           RunOptions() +
           "      --host-profile NAME[,NAME]...  hand the plug-in what such a host\n" +
           Wrapped("                       hands it (default photoshop):", HostProfileNames()) +
           "\n"
           "Examples:\n"
           "  vorn photo.jpg maze.png\n"
           "                       a labyrinth over the whole photo\n"
           "  vorn --scale 4 --amount 2 photo.jpg maze.jpg\n"
           "                       walls 4 pixels thick: seen whole, still a labyrinth\n"
           "  vorn --mask disc.png --fg navy --bg '#fc6' in.png out.png\n"
           "                       inside the disc only, navy walls on light orange\n"
           "  vorn --seed 42 *.png -o mazes\n"
           "                       every PNG into the folder mazes, seeds 42, 43, ...\n"
           "\n" +
           exitStatus;
}

// The first line is the program and its version alone, as help2man and
// packaging scripts read it; the credit is the About box's.
std::string VersionText(CliProgram program) {
    return std::string(program == programVorn ? "vorn " : "vornhost ") + VORN_VERSION_TEXT +
           "\nCopyright (C) 2026 Bramix\n";
}
