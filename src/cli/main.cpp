#include <csignal>

#include "base/file_io.h"
#include "cli/cli_commands.h"

int main(int argc, char** argv) {
#ifdef SIGXFSZ
  // A file-size limit must show as a failed write, reported and cleaned up like a full disk, not end
  // the program halfway through writing a file.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  // An interrupted command leaves no half-written temporary file behind.
  tintara::InstallTemporaryFileCleanup();
  return tintara::cli::Run(argc, argv);
}
