// libFuzzer target: the /record command line from arbitrary arguments (the input split at
// NUL bytes). Whatever is accepted holds one group in range, equal to what strtoul reads.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "record/record_hooks.h"
#include "record/record_mode.h"

namespace {

int g_usage;

bool is_record(const std::string& a) { return strcasecmp(a.c_str(), "/record") == 0; }

bool strict_number(const std::string& a, uint32_t maximum, uint32_t value) {
  if (a.empty() || a.find_first_not_of("0123456789") != std::string::npos) return false;
  size_t digits = a.size() - std::min(a.find_first_not_of('0'), a.size());
  return digits <= 10 && strtoull(a.c_str(), nullptr, 10) == value && value >= 1 && value <= maximum;
}

}  // namespace

void record_show_usage() { g_usage++; }
void record_request_paint(void*) { abort(); }
void record_post_close(void*) { abort(); }
void record_show_failure(void*) { abort(); }
void record_release_capture() {}
const AviFileOps* record_file_ops() { return &kAviStdioFile; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args = {"Vrinx.exe"};
  std::string current;
  for (size_t i = 0; i < size; ++i) {
    if (data[i]) {
      current += char(data[i]);
    } else {
      args.push_back(current);
      current.clear();
    }
  }
  args.push_back(current);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(&a[0]);

  g_record = Recorder{};
  g_usage = 0;
  bool ok = record_parse_command_line(int(argv.size()), argv.data());
  if (ok == (g_usage != 0)) abort();
  size_t groups = 0, at = 0;
  for (size_t i = 1; i < args.size(); ++i)
    if (is_record(args[i])) groups++, at = i, i += 3;
  if (!ok) return 0;
  if (groups > 1 || g_record.recording != (groups == 1)) abort();
  if (groups == 1 && (!strict_number(args[at + 1], kRecordMaxFps, g_record.fps) ||
                      !strict_number(args[at + 2], kRecordMaxSize, g_record.width) ||
                      !strict_number(args[at + 3], kRecordMaxSize, g_record.height) ||
                      g_record.width < kRecordMinSize || g_record.height < kRecordMinSize))
    abort();
  return 0;
}
