// Makes a synthetic picture library for benchmarks, the same one every time
// for the same preset: picture sets of 5 to 2,000 files with mixed-case
// extensions and some non-media files, "视频" subfolders in a fifth of the
// sets, a few deeper folders, Chinese and ASCII names, and a few sets that
// carry a tag already. Every file is sparse, so a large library costs inodes
// but no disk space.
//
//   make_library small|medium|large DIR   makes DIR and DIR.index
//   make_library --restore DIR            gives every set its original name
//
// The index maps each set's inode to its original name, so that a benchmark
// can undo a pass between runs.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <dirent.h>

namespace {

struct Preset {
  const char* name;
  int sets;
  bool large_sets;  // whether a tenth of the sets hold 800 to 2,000 files
};

// About 5k, 100k and 500k files.
constexpr Preset kPresets[] = {{"small", 50, false}, {"medium", 400, true}, {"large", 2000, true}};

const char* const kPictureExtensions[] = {"jpg", "JPG", "jpeg", "png",  "PNG",
                                          "gif", "bmp", "tif",  "webp", "Jpg"};
const char* const kVideoExtensions[] = {"mp4", "MP4", "avi", "mov", "mkv",
                                        "flv", "ts",  "wmv", "webm"};
const char* const kOtherExtensions[] = {"txt", "nfo", "db", "json", "xmp", "url"};
const char* const kChineseWords[] = {"夏日", "旅行", "专辑", "写真", "风景",
                                     "合集", "城市", "海边", "花园", "雪景"};
const char* const kAsciiWords[] = {"Summer", "Trip",   "Album", "Set",   "Beach",
                                   "City",   "Garden", "Snow",  "Night", "Studio"};

template <typename T, std::size_t N>
const T& Pick(std::mt19937_64& rng, const T (&items)[N]) {
  return items[std::uniform_int_distribution<std::size_t>(0, N - 1)(rng)];
}

bool MakeSparseFile(const std::string& path, std::uint64_t size) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool ok = ftruncate(fd, static_cast<off_t>(size)) == 0;
  return close(fd) == 0 && ok;
}

bool MakeFolder(const std::string& path) { return mkdir(path.c_str(), 0755) == 0; }

// Set sizes spread from 5 files up: most are small (log-uniform up to 500
// or 800), and with large_sets a tenth hold 800 to 2,000.
int SetFileCount(std::mt19937_64& rng, bool large_sets) {
  std::uniform_real_distribution<double> unit(0, 1);
  if (!large_sets) return static_cast<int>(std::exp(std::log(5.0) + unit(rng) * std::log(100.0)));
  if (unit(rng) < 0.9) {
    return static_cast<int>(std::exp(std::log(5.0) + unit(rng) * std::log(160.0)));
  }
  return 800 + static_cast<int>(unit(rng) * 1200);
}

bool FillFolder(std::mt19937_64& rng, const std::string& folder, int files, int& made) {
  std::uniform_real_distribution<double> unit(0, 1);
  for (int i = 0; i < files; ++i) {
    const double kind = unit(rng);
    std::string name;
    std::uint64_t size;
    char number[32];
    std::snprintf(number, sizeof(number), "%05d", i);
    if (kind < 0.75) {
      name = std::string("IMG_") + number + "." + Pick(rng, kPictureExtensions);
      size = 100'000 + static_cast<std::uint64_t>(unit(rng) * 8'000'000);
    } else if (kind < 0.85) {
      name = std::string("VID_") + number + "." + Pick(rng, kVideoExtensions);
      size = 5'000'000 + static_cast<std::uint64_t>(unit(rng) * 2'000'000'000);
    } else {
      name = std::string("note_") + number + "." + Pick(rng, kOtherExtensions);
      size = 100 + static_cast<std::uint64_t>(unit(rng) * 10'000);
    }
    if (!MakeSparseFile(folder + "/" + name, size)) return false;
    ++made;
  }
  return true;
}

int Make(const Preset& preset, const std::string& root) {
  if (!MakeFolder(root)) {
    std::fprintf(stderr, "cannot make %s: %s\n", root.c_str(), std::strerror(errno));
    return 1;
  }
  std::mt19937_64 rng(0x46656E6D61727277ULL);  // fixed: the same library every time
  std::uniform_real_distribution<double> unit(0, 1);
  std::ofstream index(root + ".index");
  int files = 0;
  for (int s = 0; s < preset.sets; ++s) {
    char number[16];
    std::snprintf(number, sizeof(number), " %04d", s);
    std::string name = unit(rng) < 0.4
                           ? std::string(Pick(rng, kChineseWords)) + Pick(rng, kChineseWords)
                           : std::string(Pick(rng, kAsciiWords)) + " " + Pick(rng, kAsciiWords);
    name += number;
    if (unit(rng) < 0.05) name += " [12P-3V 1.5 GB]";
    const std::string set = root + "/" + name;
    if (!MakeFolder(set) || !FillFolder(rng, set, SetFileCount(rng, preset.large_sets), files)) {
      std::fprintf(stderr, "cannot fill %s: %s\n", set.c_str(), std::strerror(errno));
      return 1;
    }
    if (unit(rng) < 0.2) {
      const std::string videos = set + "/视频";
      if (!MakeFolder(videos) ||
          !FillFolder(rng, videos, 1 + static_cast<int>(unit(rng) * 20), files)) {
        return 1;
      }
    }
    if (unit(rng) < 0.05) {
      const std::string deep = set + "/extras";
      if (!MakeFolder(deep) || !MakeFolder(deep + "/more") ||
          !FillFolder(rng, deep + "/more", 3 + static_cast<int>(unit(rng) * 30), files)) {
        return 1;
      }
    }
    struct stat st;
    if (stat(set.c_str(), &st) != 0) return 1;
    index << st.st_ino << '\t' << name << '\n';
  }
  std::printf("%s: %d sets, %d files in %s\n", preset.name, preset.sets, files, root.c_str());
  return 0;
}

int Restore(const std::string& root) {
  std::ifstream index(root + ".index");
  if (!index) {
    std::fprintf(stderr, "no index beside %s\n", root.c_str());
    return 1;
  }
  std::map<ino_t, std::string> names;
  std::string line;
  while (std::getline(index, line)) {
    const auto tab = line.find('\t');
    if (tab == std::string::npos) continue;
    names[static_cast<ino_t>(std::stoull(line.substr(0, tab)))] = line.substr(tab + 1);
  }
  DIR* dir = opendir(root.c_str());
  if (dir == nullptr) return 1;
  std::vector<std::pair<std::string, std::string>> moves;
  while (const dirent* entry = readdir(dir)) {
    const auto it = names.find(entry->d_ino);
    if (it != names.end() && it->second != entry->d_name)
      moves.emplace_back(entry->d_name, it->second);
  }
  closedir(dir);
  for (const auto& [from, to] : moves) {
    if (std::rename((root + "/" + from).c_str(), (root + "/" + to).c_str()) != 0) {
      std::fprintf(stderr, "cannot restore %s\n", to.c_str());
      return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--restore") == 0) return Restore(argv[2]);
  if (argc == 3) {
    for (const Preset& preset : kPresets) {
      if (std::strcmp(argv[1], preset.name) == 0) return Make(preset, argv[2]);
    }
  }
  std::fprintf(stderr,
               "usage: make_library small|medium|large DIR\n       make_library --restore DIR\n");
  return 2;
}
