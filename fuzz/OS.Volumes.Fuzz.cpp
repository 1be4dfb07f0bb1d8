#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

#include "os/OS.FileNotify.h"

// The mount table and the volume labels: any mountinfo text gives volumes with distinct roots
// that end in "/", in order; any label name decodes without failing and never grows.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string text(reinterpret_cast<const char*>(Data), Size);
  const std::string label = detail::UnescapeVolumeLabel(text);
  if (label.size() > text.size()) std::abort();

  // Each line's label (after a tab) names the device before it, so labels reach the volumes too.
  std::map<std::string, std::string> labels;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);)
    if (const size_t tab = line.find('\t'); tab != std::string::npos)
      labels[line.substr(0, tab)] = detail::UnescapeVolumeLabel(line.substr(tab + 1));
  std::istringstream in(text);
  const std::vector<TVolumeInfo> volumes = detail::ParseMountTable(in, labels);
  for (size_t i = 0; i < volumes.size(); ++i) {
    const String& root = volumes[i].Root;
    if (root.empty() || root.back() != u'/') std::abort();
    if (i > 0 && !(volumes[i - 1].Root < root)) std::abort();
  }
  return 0;
}
