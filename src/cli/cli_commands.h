#pragma once

#include <string>
#include <vector>

namespace tintara::cli {

// Settings every command shares, taken from the options before the command name.
struct GlobalOptions {
  std::string referenceDataPath;  // Lumeno.dat beside the executable unless --refdata names one
};

int Run(int argc, char** argv);

// The commands, each given the arguments after its name.
int CommandReferences(const GlobalOptions& global, const std::vector<std::string>& args);
int CommandFit(const GlobalOptions& global, const std::vector<std::string>& args);
int CommandProfileInfo(const GlobalOptions& global, const std::vector<std::string>& args);
int CommandMakeRefdata(const GlobalOptions& global, const std::vector<std::string>& args);
int CommandDumpRefdata(const GlobalOptions& global, const std::vector<std::string>& args);
int CommandSettings(const GlobalOptions& global, const std::vector<std::string>& args);
int CommandProfiles(const GlobalOptions& global, const std::vector<std::string>& args);
int CommandConvert(const GlobalOptions& global, const std::vector<std::string>& args);
int CommandEmbed(const GlobalOptions& global, const std::vector<std::string>& args);
int CommandBatch(const GlobalOptions& global, const std::vector<std::string>& args);
int CommandCreateProfile(const GlobalOptions& global, const std::vector<std::string>& args);

// Prints "tintara-cli: <message>" on stderr and returns `status`.
int Fail(int status, const std::string& message);

}  // namespace tintara::cli
