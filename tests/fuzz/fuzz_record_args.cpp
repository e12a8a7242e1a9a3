// libFuzzer target: the /record command line from arbitrary arguments (the input split at
// NUL bytes). It must end, refuse with the usage box or accept, and whatever it accepts is in
// range; which texts are numbers is the unit table's matter.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "record/record_hooks.h"
#include "record/record_mode.h"

namespace {

int g_usage;

}  // namespace

void record_show_usage() { g_usage++; }
void record_request_paint(void*) { abort(); }
void record_post_close(void*) { abort(); }
void record_show_failure(void*) { abort(); }
void record_release_capture() {}
const AviFileOps* record_file_ops() { return &kAviStdioFile; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args = {"Vrinx.exe", ""};
  for (size_t i = 0; i < size; ++i) data[i] ? args.back() += char(data[i]) : args.emplace_back();
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(&a[0]);

  g_record = Recorder{};
  g_usage = 0;
  bool ok = record_parse_command_line(int(argv.size()), argv.data());
  const Recorder& r = g_record;
  if (ok == (g_usage != 0)) abort();
  if (ok && r.recording &&
      (r.fps < 1 || r.fps > kRecordMaxFps || r.width < kRecordMinSize || r.width > kRecordMaxSize ||
       r.height < kRecordMinSize || r.height > kRecordMaxSize))
    abort();
  return 0;
}
