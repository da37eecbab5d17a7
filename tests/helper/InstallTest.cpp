// The install's records: manifest and journal texts, and what recovery makes of a journal.
#include "helper/Install.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "TestUtil.h"

using namespace zu::helper;
namespace fs = std::filesystem;

TEST(InstallRecords, ManifestAndJournalRoundTripAnyName) {
  TManifest M;
  M.Complete = true;
  M.Files.push_back({"a b%~\t\n\xc3\xa9", "http://127.0.0.1/a%20b", "\"etag x\"", "", 12, 34, true});
  M.Files.push_back({"x", "", "", "Tue, 01 Dec 2026", -1, 0, false});
  TManifest Back;
  ASSERT_TRUE(ParseManifest(FormatManifest(M), Back));
  ASSERT_EQ(Back.Files.size(), 2u);
  EXPECT_TRUE(Back.Complete);
  EXPECT_EQ(Back.Files[0].Name, M.Files[0].Name);
  EXPECT_EQ(Back.Files[0].URL, M.Files[0].URL);
  EXPECT_EQ(Back.Files[0].ETag, M.Files[0].ETag);
  EXPECT_EQ(Back.Files[0].Size, 12);
  EXPECT_EQ(Back.Files[0].Inode, 34u);
  EXPECT_EQ(Back.Files[1].LastModified, "Tue, 01 Dec 2026");
  EXPECT_FALSE(Back.Files[1].Complete);
  // Cut short, or naming something outside the directory: no manifest at all.
  const std::string Text = FormatManifest(M);
  EXPECT_FALSE(ParseManifest(Text.substr(0, Text.size() - 4), Back));
  M.Files[1].Name = "../x";
  EXPECT_FALSE(ParseManifest(FormatManifest(M), Back));

  TJournal J;
  J.Moves.push_back({"p.uTMP", "p", "p.uOLD", true, true, 0x20});
  TJournal JB;
  ASSERT_TRUE(ParseJournal(FormatJournal(J), JB));
  ASSERT_EQ(JB.Moves.size(), 1u);
  EXPECT_FALSE(JB.Done);
  EXPECT_TRUE(JB.Moves[0].HadOld);
  EXPECT_TRUE(JB.Moves[0].Executable);
  EXPECT_EQ(JB.Moves[0].Backup, "p.uOLD");
}

TEST(InstallRecords, ManifestCarriesEachFilesHash) {
  TManifest M;
  M.Complete = true;
  M.Files.push_back({"p", "http://127.0.0.1/p", "", "", 3, 7, true, std::string(64, 'a')});
  M.Files.push_back({"q", "http://127.0.0.1/q", "", "", 4, 8, true, ""});
  TManifest Back;
  ASSERT_TRUE(ParseManifest(FormatManifest(M), Back));
  EXPECT_EQ(Back.Files[0].Sha256, std::string(64, 'a'));
  EXPECT_EQ(Back.Files[1].Sha256, "");
  // A record of the earlier form (no hash field) still reads; a hash that is none does not.
  EXPECT_TRUE(ParseManifest("renewix-manifest 1\nrun complete\nfile complete 3 7 p ~ ~ ~\nend\n", Back));
  EXPECT_EQ(Back.Files.at(0).Sha256, "");
  M.Files[0].Sha256 = std::string(63, 'a') + "G";
  EXPECT_FALSE(ParseManifest(FormatManifest(M), Back));
  M.Files[0].Sha256 = "abc";
  EXPECT_FALSE(ParseManifest(FormatManifest(M), Back));
  // A negative inode would be written back as another number (found by the fuzzer).
  EXPECT_FALSE(ParseManifest("renewix-manifest 1\nrun complete\nfile complete 3 -5 p ~ ~ ~\nend\n", Back));
  EXPECT_FALSE(ParseManifest("renewix-manifest 1\nrun complete\nfile complete -2 5 p ~ ~ ~\nend\n", Back));
}

TEST(InstallRecords, RecoveryUndoesAHalfDoneSetAndRepeatsSafely) {
  zutest::TempDir D;
  const int Fd = OpenDirectory(D.Path());
  ASSERT_GE(Fd, 0);
  // a: replaced (backup kept); b: kept as a link, not yet replaced; c: new, moved in.
  zutest::WriteFile(D.File("a"), "new a");
  zutest::WriteFile(D.File("a.uOLD"), "old a");
  zutest::WriteFile(D.File("b"), "old b");
  ASSERT_EQ(::link(D.File("b").c_str(), D.File("b.uOLD").c_str()), 0);
  zutest::WriteFile(D.File("b.uTMP"), "new b");
  zutest::WriteFile(D.File("c"), "new c");
  TJournal J;
  J.Moves = {{"a.uTMP", "a", "a.uOLD", true, false, 0x20},
             {"b.uTMP", "b", "b.uOLD", true, false, 0x20},
             {"c.uTMP", "c", "c.uOLD", false, false, 0x20}};
  ASSERT_TRUE(WriteFileAtomically(Fd, JournalName, FormatJournal(J)));
  EXPECT_EQ(Recover(Fd), TRecovery::RolledBack);
  EXPECT_EQ(zutest::ReadFile(D.File("a")), "old a");
  EXPECT_EQ(zutest::ReadFile(D.File("b")), "old b");
  std::vector<std::string> Left;
  for (const auto& E : fs::directory_iterator(D.Path())) Left.push_back(E.path().filename().string());
  std::sort(Left.begin(), Left.end());
  EXPECT_EQ(Left, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(Recover(Fd), TRecovery::None);

  // Every move made: the set is finished instead.
  zutest::WriteFile(D.File("a.uOLD"), "old a");
  zutest::WriteFile(D.File("a"), "new a");
  J.Moves.resize(1);
  ASSERT_TRUE(WriteFileAtomically(Fd, JournalName, FormatJournal(J)));
  EXPECT_EQ(Recover(Fd), TRecovery::Finished);
  EXPECT_EQ(zutest::ReadFile(D.File("a")), "new a");
  EXPECT_FALSE(fs::exists(D.File("a.uOLD")));
  ::close(Fd);
}
