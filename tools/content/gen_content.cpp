// vrinx_content_gen <folder>: writes every generated asset of the show into <folder>.
#include <cstdio>

#include "tools/content/content.h"
#include "tools/tool_files.h"

namespace {

bool write_file(const std::string& path, const void* data, size_t size) {
  bool ok = tool_write_file(path, data, size);
  if (!ok) std::fprintf(stderr, "vrinx_content_gen: cannot write %s\n", path.c_str());
  return ok;
}

bool write_bytes(const std::string& path, const Bytes& b) { return write_file(path, b.data(), b.size()); }
bool write_text(const std::string& path, const std::string& s) {
  return write_file(path, s.data(), s.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vrinx_content_gen <output folder>\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  bool ok = write_bytes(dir + "camera_path.bin", build_camera_path()) &&
            write_bytes(dir + "object_model.bin", build_object_model()) &&
            write_bytes(dir + "tune.mod", build_tune()) &&
            write_text(dir + "font_data.h", font_source(build_font())) &&
            write_text(dir + "text_data.h", text_source(build_pages())) &&
            write_text(dir + "logo_data.h", logo_source(build_logo())) &&
            write_text(dir + "dos_font_data.h", dos_font_source(build_dos_font()));
  return ok ? 0 : 1;
}
