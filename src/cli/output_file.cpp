#include "cli/output_file.h"

#include "cli/progress.h"
#include "common/atomic_file.h"

namespace velmora::cli {

std::string writeFiles(const std::vector<PendingFile>& files, std::ostream& out) {
  std::vector<OutputFile> outputs;
  for (const PendingFile& f : files)
    if (f.path != "-")
      outputs.push_back(OutputFile{f.path, {}, [&f](FileSink& sink) { return sink.write(f.content); }});
  // Whatever the stream holds goes out first: an output named /dev/stdout is written
  // through the same descriptor.
  out.flush();
  WriteOutcome o;
  {
    WriteInterruptGuard guard;
    o = writeFilesAtomically(outputs);
  }
  if (InterruptGuard::interrupted()) return {};
  if (!o.ok()) return o.message;
  for (const PendingFile& f : files)
    if (f.path == "-") out << f.content << std::flush;
  return {};
}

}  // namespace velmora::cli
