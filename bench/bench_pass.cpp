// Runs one tagging pass over a folder with no window: the completion box is
// a hook that returns at once. For benchmarks and for checking the pass
// against other tools.
//
//   fenmarrow_bench DIR   → prints "visited N renamed M failed F"

#include <unistd.h>

#include <cstdio>

#include "tagging/tagging_pass.h"

int main(int argc, char** argv) {
  if (argc != 2 || chdir(argv[1]) != 0) {
    std::fprintf(stderr, "usage: fenmarrow_bench DIR\n");
    return 2;
  }
  const fenmarrow::PassReport report = fenmarrow::RunTaggingPass({});
  std::printf("visited %d renamed %d failed %zu\n", report.visited, report.renamed,
              report.failures.size());
  return report.base_folder_unusable ? 1 : 0;
}
