#pragma once
// "kvxtool render IN -o OUT.png|OUT.svg [--width W] [--height H]": the diagram of a test file
// (header strip with the tact ruler, then the canvas) as the editor draws it, as PNG or SVG.

namespace kvx::tool {

/// argv as kvxtool's main got it (argv[1] is "render"). Returns 0 when the picture was
/// written, 2 on bad arguments, an unreadable test file or a picture that could not be written.
int runRender(int argc, char** argv);

}  // namespace kvx::tool
