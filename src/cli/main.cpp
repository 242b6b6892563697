#include "cli/cli_commands.h"

int main(int argc, char** argv) { return tintara::cli::Run(argc, argv); }
