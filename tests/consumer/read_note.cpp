// read_note FILE: prints SERIAL<TAB>CONFIDENCE of a note scan, read through
// the installed Verevizu libraries as any other program would.
#include <exception>
#include <iostream>
#include <string>

#include <verevizu/graphics/dibgraphic.h>
#include <verevizu/image/dibunit.h>
#include <verevizu/serial/serialreader.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: read_note FILE\n";
    return 2;
  }
  try {
    const std::unique_ptr<TDibGraphic> picture = LoadGraphicFromFile(argv[1], 1);
    TDIB raster;
    raster.AttachBlock(picture->ExportPackedDib());
    std::string serial;
    double confidence = 0;
    ReadSerialNumber(raster, "AUTO", serial, confidence);
    std::cout << serial << '\t' << confidence << '\n';
    return serial.empty() ? 1 : 0;
  } catch (const std::exception& e) {
    std::cerr << "read_note: " << e.what() << '\n';
    return 1;
  }
}
