#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Helpers shared by the fuzz targets and their replay programs.
namespace tintara::fuzz {

// A folder of this process's own (on tmpfs when the machine has /dev/shm), created on first use and
// removed with everything in it when the process ends normally. Readers that take a path get the
// input through a file here, so parallel fuzzing jobs never see each other's files.
const std::string& ScratchFolder();

// Writes the bytes to `name` inside the scratch folder and returns the file's path. A failed write
// aborts: a reader handed a file that does not hold the input would test nothing.
std::string WriteScratchFile(const std::string& name, const uint8_t* data, size_t size);

// Installs a presenter that shows nothing and answers every question with its default, so a reader
// that reports through the message convention neither prints nor waits.
void InstallSilentPresenter();

// Stops the run with a message when a reader breaks one of its own promises; the fuzzer reports
// that like a crash, with the input that caused it.
[[noreturn]] void Fail(const char* what);
inline void Check(bool condition, const char* what) {
  if (!condition) Fail(what);
}

}  // namespace tintara::fuzz
