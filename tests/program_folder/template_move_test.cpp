// The report template is moved into place without replacing anything: a MOSA_QUERY.xls that appears while
// the template is being copied (the user saving a report, another window writing the template) is kept,
// and the offer says the file is there. The rename functions of the C library are wrapped in this test
// program so that the user's file appears at the last moment, right before any of them moves the copy.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "program_folder/folder_files.h"

namespace {

namespace fs = std::filesystem;

// Where the user's file appears, and what it holds; empty: the wrappers only pass the call on.
std::string appearingFile;
const char* const kUsersReport = "the report the user saved meanwhile";

void AppearIfMovingOnto(const char* to) {
  if (appearingFile.empty() || fs::path(to) != fs::path(appearingFile)) return;
  std::ofstream(appearingFile, std::ios::binary) << kUsersReport;
  appearingFile.clear();
}

template <typename Function>
Function Next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" int rename(const char* from, const char* to) {
  AppearIfMovingOnto(to);
  return Next<int (*)(const char*, const char*)>("rename")(from, to);
}

extern "C" int renameat(int fromFolder, const char* from, int toFolder, const char* to) {
  AppearIfMovingOnto(to);
  return Next<int (*)(int, const char*, int, const char*)>("renameat")(fromFolder, from, toFolder, to);
}

extern "C" int renameat2(int fromFolder, const char* from, int toFolder, const char* to, unsigned int flags) {
  AppearIfMovingOnto(to);
  return Next<int (*)(int, const char*, int, const char*, unsigned int)>("renameat2")(fromFolder, from,
                                                                                      toFolder, to, flags);
}

extern "C" int link(const char* from, const char* to) {
  AppearIfMovingOnto(to);
  return Next<int (*)(const char*, const char*)>("link")(from, to);
}

namespace quorvia::program_folder {
namespace {

std::string Read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(ReportTemplate, AWorkbookThatAppearsWhileTheTemplateIsCopiedIsNotWrittenOver) {
  const fs::path root = fs::temp_directory_path() / ("quorvia-template-move-" + std::to_string(getpid()));
  fs::create_directories(root / "share/quorvia/demo");
  fs::create_directories(root / "bin");
  fs::create_directories(root / "landcover");
  std::ofstream(root / "share/quorvia/MOSA_QUERY.xls", std::ios::binary) << "the template";
  std::ofstream(root / "landcover/MOSA_DB.mdb", std::ios::binary) << "a database";
  const fs::path report = root / "landcover/MOSA_QUERY.xls";

  appearingFile = report.string();
  try {
    WriteReportTemplate(BundledFilesBeside(root / "bin"), root / "landcover");
    ADD_FAILURE() << "the template was written although a workbook appeared";
  } catch (const FolderError& error) {
    EXPECT_NE(std::string(error.what()).find("is there already"), std::string::npos) << error.what();
  }
  EXPECT_TRUE(appearingFile.empty()) << "the template was never moved into place";
  EXPECT_EQ(Read(report), kUsersReport);
  for (const auto& entry : fs::directory_iterator(root / "landcover")) {
    EXPECT_FALSE(entry.path().filename().string().starts_with(".")) << "left behind: " << entry.path();
  }

  // Without anything appearing, the template is written.
  fs::remove(report);
  WriteReportTemplate(BundledFilesBeside(root / "bin"), root / "landcover");
  EXPECT_EQ(Read(report), "the template");
  fs::remove_all(root);
}

}  // namespace
}  // namespace quorvia::program_folder
