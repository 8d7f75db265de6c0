// What an append does with the name it is given: a symbolic link is written
// through and kept, a file with other hard links keeps them, and a name that
// is not a regular file, or a file its user may not write, is refused at once
// and left as it was.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "store/report_file.h"
#include "store/rtf_writer.h"
#include "tests/store/report_file_fixture.h"

namespace solwire {
namespace {

namespace fs = std::filesystem;
using test::ReportFileFixture;

constexpr unsigned kGuardSeconds = 10;

class ReportFileTarget : public ReportFileFixture {
 protected:
  void SetUp() override {
    ReportFileFixture::SetUp();
    ::umask(022);
  }

  // Appends in a child that an alarm ends if the append blocks; the child's
  // exit code says what it saw: 0 refused with `reason`, 1 appended, 2
  // refused for another reason (written to stderr). -1: it did not finish.
  static int appendInGuardedChild(const fs::path& file, const std::string& reason) {
    const pid_t child = ::fork();
    if (child == 0) {
      ::alarm(kGuardSeconds);
      try {
        appendToRichTextFile(file, entry(3, Language::English));
      } catch (const RichTextFileError& error) {
        if (std::string(error.reason()).find(reason) != std::string::npos) ::_exit(0);
        std::fprintf(stderr, "%s\n", error.what());
        ::_exit(2);
      }
      ::_exit(1);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
  }

  static std::string addedText() { return entry(3, Language::English).plainText(); }

  static bool holdsTheAddition(const fs::path& file) {
    return loadRichTextFile(file).plainText().find(addedText()) != std::string::npos;
  }
};

TEST_F(ReportFileTarget, ASymbolicLinkIsWrittenThroughAndStaysALink) {
  fs::create_directory(dir_ / "shared");
  const fs::path real = dir_ / "shared" / "REAL.RTF";
  const fs::path link = dir_ / "LINK.RTF";
  put(real, writeRtf(entry(1, Language::English)));
  fs::create_symlink("shared/REAL.RTF", link);
  // A link to a link, and one to a file that is not there yet.
  const fs::path second = dir_ / "SECOND.RTF";
  fs::create_symlink("LINK.RTF", second);
  const fs::path dangling = dir_ / "NEW.RTF";
  fs::create_symlink("shared/NEW-REAL.RTF", dangling);

  EXPECT_EQ(appendToRichTextFile(link, entry(3, Language::English)), AppendOutcome::Appended);
  EXPECT_EQ(appendToRichTextFile(second, entry(3, Language::English)), AppendOutcome::Appended);
  EXPECT_EQ(appendToRichTextFile(dangling, entry(3, Language::English)), AppendOutcome::Created);

  for (const fs::path& name : {link, second, dangling}) {
    EXPECT_TRUE(fs::is_symlink(name)) << name.filename() << " is no longer a link";
  }
  EXPECT_EQ(fs::read_symlink(link), "shared/REAL.RTF");
  const std::string text = loadRichTextFile(real).plainText();
  const std::size_t first = text.find(addedText());
  ASSERT_NE(first, std::string::npos) << "the file the link names did not grow";
  EXPECT_NE(text.find(addedText(), first + 1), std::string::npos) << "the append through two links is missing";
  EXPECT_TRUE(holdsTheAddition(dir_ / "shared" / "NEW-REAL.RTF"));
  EXPECT_EQ(entries().size(), 4u) << "a temporary file was left beside the links";
}

TEST_F(ReportFileTarget, AFileWithOtherHardLinksKeepsThem) {
  const fs::path file = dir_ / "LOG.RTF";
  const fs::path other = dir_ / "COPY-FOR-UPLOAD.RTF";
  put(file, writeRtf(entry(1, Language::Chinese)));
  ::chmod(file.c_str(), 0640);
  fs::create_hard_link(file, other);
  struct stat before {};
  ASSERT_EQ(::stat(file.c_str(), &before), 0);

  // Once spliced in, once rewritten whole (the addition continues the last line).
  EXPECT_EQ(appendToRichTextFile(file, entry(3, Language::English)), AppendOutcome::Appended);
  RichTextDocument continued;
  continued.appendRun(" and more", 10, kRed);
  EXPECT_EQ(appendToRichTextFile(other, continued), AppendOutcome::Appended);

  struct stat after {};
  ASSERT_EQ(::stat(file.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino) << "the file was replaced by a new one";
  EXPECT_EQ(after.st_nlink, 2u);
  EXPECT_EQ(after.st_mode & 07777, 0640u);
  EXPECT_EQ(contents(file), contents(other));
  const std::string text = loadRichTextFile(file).plainText();
  EXPECT_NE(text.find(addedText()), std::string::npos);
  EXPECT_TRUE(text.ends_with(" and more")) << text;
  EXPECT_EQ(entries().size(), 2u) << "a temporary file was left behind";
}

// Names that are not regular files: refused at once with what they are;
// opening a FIFO to read it would wait for a writer for ever.
TEST_F(ReportFileTarget, ANameThatIsNotARegularFileIsRefusedAtOnce) {
  const fs::path pipe = dir_ / "PIPE.RTF";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
  const fs::path pipeLink = dir_ / "PIPE-LINK.RTF";
  fs::create_symlink(pipe, pipeLink);
  const fs::path device = dir_ / "NULL.RTF";
  fs::create_symlink("/dev/null", device);
  const fs::path socketPath = dir_ / "SOCKET.RTF";
  const int socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(socketFd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(socketPath.string().size(), sizeof(address.sun_path));
  std::strcpy(address.sun_path, socketPath.c_str());
  ASSERT_EQ(::bind(socketFd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
  const fs::path folder = dir_ / "FOLDER.RTF";
  fs::create_directory(folder);

  const std::vector<std::pair<fs::path, std::string>> targets{
      {pipe, "not a regular file: a named pipe"},
      {pipeLink, "not a regular file: a named pipe"},
      {device, "not a regular file: a character device"},
      {socketPath, "not a regular file: a socket"},
      {folder, "is a folder, not a file"},
  };
  for (const auto& [target, reason] : targets) {
    EXPECT_EQ(appendInGuardedChild(target, reason), 0)
        << target.filename() << ": -1 blocked, 1 appended, 2 refused for another reason";
  }
  ::close(socketFd);
  EXPECT_EQ(fs::status(pipe).type(), fs::file_type::fifo);
  EXPECT_TRUE(fs::is_symlink(pipeLink));
  EXPECT_TRUE(fs::is_symlink(device));
  EXPECT_EQ(fs::status(socketPath).type(), fs::file_type::socket);
  EXPECT_TRUE(fs::is_empty(folder));
  EXPECT_EQ(entries().size(), targets.size()) << "a temporary file was left behind";
}

// The superuser may write any file, so a file without write permission is
// recognised by its mode, and left byte for byte.
TEST_F(ReportFileTarget, AReadOnlyFileIsRefusedAndLeftAsItWas) {
  const std::vector<std::pair<std::string, std::string>> files{
      {"OWN.RTF", writeRtf(entry(1, Language::French))},
      {"OTHER.RTF", "{\\rtf1\\ansi{\\fonttbl{\\f0 Times;}}\\f0 Hello\\par}"},
      {"NOTES.TXT", "notes of the site visit\n"},
  };
  for (const auto& [name, bytes] : files) {
    const fs::path file = dir_ / name;
    put(file, bytes);
    ::chmod(file.c_str(), 0444);
    EXPECT_EQ(appendInGuardedChild(file, "the file is read-only"), 0) << name << ": 1 appended, 2 another reason";
    EXPECT_EQ(contents(file), bytes) << name;
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read)
        << name;
  }
  EXPECT_EQ(entries().size(), files.size()) << "a temporary file was left behind";
}

}  // namespace
}  // namespace solwire
