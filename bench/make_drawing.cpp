// Writes a large DXF drawing shaped like a real survey plan in ETRS89 TM06:
// a header, layer tables, a block definition, then an entities section of
// LWPOLYLINEs, LINEs, TEXTs, INSERTs and HATCHes until the file reaches the
// requested size, and an objects section.
//
//   make_drawing OUTPUT SIZE_MB [coordinates]
//
// With "coordinates" the entities zone holds nothing but points: X and Y
// pairs one after the other, the heaviest load the pass can get.

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

class Writer {
 public:
  explicit Writer(std::FILE* file) : file_(file) {}
  void pair(int code, const char* value) { std::fprintf(file_, "%3d\r\n%s\r\n", code, value); }
  void pair(int code, const std::string& value) { pair(code, value.c_str()); }
  void number(int code, double value) { std::fprintf(file_, "%3d\r\n%.3f\r\n", code, value); }
  void integer(int code, long value) { std::fprintf(file_, "%3d\r\n%6ld\r\n", code, value); }
  long size() const { return std::ftell(file_); }

 private:
  std::FILE* file_;
};

const char* const layers[] = {"EDIFICIOS", "ARRUAMENTOS", "COTAS", "TOPONIMIA", "VEGETACAO"};

void header_and_tables(Writer& w) {
  w.pair(0, "SECTION");
  w.pair(2, "HEADER");
  w.pair(9, "$ACADVER");
  w.pair(1, "AC1015");
  w.pair(9, "$EXTMIN");
  w.number(10, -120000.0);
  w.number(20, -300000.0);
  w.number(30, 0.0);
  w.pair(9, "$EXTMAX");
  w.number(10, 160000.0);
  w.number(20, 270000.0);
  w.number(30, 0.0);
  w.pair(0, "ENDSEC");
  w.pair(0, "SECTION");
  w.pair(2, "TABLES");
  w.pair(0, "TABLE");
  w.pair(2, "LAYER");
  for (const char* layer : layers) {
    w.pair(0, "LAYER");
    w.pair(2, layer);
    w.integer(70, 0);
    w.integer(62, 7);
    w.pair(6, "CONTINUOUS");
  }
  w.pair(0, "ENDTAB");
  w.pair(0, "ENDSEC");
  w.pair(0, "SECTION");
  w.pair(2, "BLOCKS");
  w.pair(0, "BLOCK");
  w.pair(2, "MARCO");
  w.number(10, 0.0);
  w.number(20, 0.0);
  w.pair(0, "CIRCLE");
  w.number(10, 0.0);
  w.number(20, 0.0);
  w.number(40, 0.5);
  w.pair(0, "ENDBLK");
  w.pair(0, "ENDSEC");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: make_drawing OUTPUT SIZE_MB [coordinates]\n");
    return 2;
  }
  std::FILE* file = std::fopen(argv[1], "wb");
  if (file == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  const long target = std::atol(argv[2]) * 1000L * 1000L;
  Writer w(file);
  std::mt19937_64 random(73);
  std::uniform_real_distribution<double> easting(-120000.0, 160000.0);
  std::uniform_real_distribution<double> northing(-300000.0, 270000.0);
  std::uniform_real_distribution<double> step(-40.0, 40.0);
  std::uniform_int_distribution<int> kind(0, 9);
  std::uniform_int_distribution<int> vertices(4, 24);
  long handle = 0x100;
  const auto common = [&](const char* type, int layer) {
    w.pair(0, type);
    char text[32];
    std::snprintf(text, sizeof text, "%lX", handle++);
    w.pair(5, text);
    w.pair(100, "AcDbEntity");
    w.pair(8, layers[layer % 5]);
  };

  header_and_tables(w);
  w.pair(0, "SECTION");
  w.pair(2, "ENTITIES");
  const bool coordinates_only = argc == 4 && std::string(argv[3]) == "coordinates";
  while (coordinates_only && w.size() < target) {
    for (int i = 0; i < 1000; ++i) {
      w.number(10, easting(random));
      w.number(20, northing(random));
    }
  }
  for (int n = 0; !coordinates_only && w.size() < target; ++n) {
    double x = easting(random);
    double y = northing(random);
    switch (kind(random)) {
      case 0:
      case 1:
      case 2:
      case 3: {  // building or parcel outline
        common("LWPOLYLINE", n);
        w.pair(100, "AcDbPolyline");
        const int count = vertices(random);
        w.integer(90, count);
        w.integer(70, 1);
        for (int v = 0; v < count; ++v) {
          w.number(10, x += step(random));
          w.number(20, y += step(random));
        }
        break;
      }
      case 4:
      case 5: {
        common("LINE", n);
        w.pair(100, "AcDbLine");
        w.number(10, x);
        w.number(20, y);
        w.number(30, 0.0);
        w.number(11, x + step(random));
        w.number(21, y + step(random));
        w.number(31, 0.0);
        break;
      }
      case 6: {
        common("TEXT", n);
        w.pair(100, "AcDbText");
        w.number(10, x);
        w.number(20, y);
        w.number(30, 0.0);
        w.number(40, 2.5);
        w.pair(1, "Rua da Liberdade, n.º " + std::to_string(n % 300));
        w.number(50, 12.5);
        break;
      }
      case 7:
      case 8: {
        common("INSERT", n);
        w.pair(100, "AcDbBlockReference");
        w.pair(2, "MARCO");
        w.number(10, x);
        w.number(20, y);
        w.number(30, 0.0);
        w.number(41, 1.0);
        w.number(42, 1.0);
        w.number(50, 0.0);
        break;
      }
      default: {
        common("HATCH", n);
        w.pair(100, "AcDbHatch");
        w.number(10, 0.0);
        w.number(20, 0.0);
        w.number(30, 0.0);
        w.pair(2, "SOLID");
        w.integer(70, 1);
        w.integer(91, 1);
        w.integer(92, 1);
        w.integer(93, 4);
        for (int e = 0; e < 4; ++e) {
          w.integer(72, 1);
          w.number(10, x);
          w.number(20, y);
          x += step(random);
          y += step(random);
          w.number(11, x);
          w.number(21, y);
        }
        w.integer(97, 0);
        w.integer(75, 0);
        w.integer(76, 1);
        w.integer(98, 1);
        w.number(10, x);
        w.number(20, y);
        break;
      }
    }
  }
  w.pair(0, "ENDSEC");
  w.pair(0, "SECTION");
  w.pair(2, "OBJECTS");
  w.pair(0, "DICTIONARY");
  w.pair(5, "C");
  w.pair(0, "ENDSEC");
  w.pair(0, "EOF");
  return std::fclose(file) == 0 ? 0 : 1;
}
