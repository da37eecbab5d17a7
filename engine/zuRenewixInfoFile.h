// Reading the info file that a publisher keeps on the update server, and deciding from it
// whether a newer version is published. Part of the zuRenewix unit.
//
// An info file holds entries "#key=value" anywhere in its text: #version, #date (MM/DD/YYYY),
// #url, #url0, #url1.., #method (one digit) and #message={...}.
#pragma once

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/framework/DateTime.h"

namespace zu {

enum TzuUpgradeMethod { umSelfUpgrade, umUseExternalSetup, umRedirectToURL };
enum TzuRenewixVersionControl { byDate, byNumber };

// The date of a month/day/year text; today's date when it is not a valid date.
TDateTime RXDateToDate(const std::string& S);
// Two-digit month "/" two-digit day "/" four-digit year.
std::string DateToRXDate(TDateTime D);

// The single-line values of every "#key=" in a text, found in one pass: Value(Key) is what
// ParseStr(Text, Key, false, "") gives for a key that starts with '#' (A-Z folded, the first
// occurrence anywhere counts), without a search per key.
class TzuInfoFileKeys {
 public:
  explicit TzuInfoFileKeys(const std::string& Text);
  std::string Value(const std::string& Key) const;

 private:
  const std::string& FText;
  std::unordered_map<std::string, std::size_t> FValueAt;  // lower-cased key -> value's start
};

// The ordered list of file addresses: #url, #url0, then #url<n+1>, #url<n+2>... until the
// first missing or empty number (n = entries found so far).
std::vector<std::string> InfoFileURLs(const std::string& Text);
// The same list with the key each address came from ("#url", "#url0", "#url2", ...).
std::vector<std::pair<std::string, std::string>> InfoFileURLEntries(const TzuInfoFileKeys& Keys);
// The first character of #method: '1' external setup, '2' redirect, anything else self-upgrade.
TzuUpgradeMethod InfoFileMethod(const std::string& Text);

struct TzuRXInfoFileContent {
  std::string Version;  // "#version", empty when missing
  std::string Date;     // "#date"
  std::vector<std::string> URLs;
  std::string MethodText;  // "#method" as written
  TzuUpgradeMethod Method = umSelfUpgrade;
  std::string Message;  // "#message" between the braces
};
TzuRXInfoFileContent ReadInfoFile(const std::string& Text);

// Whether the published version is newer than the local one: byNumber compares #version with
// VersionNumber, byDate compares #date with VersionDate as whole days (unreadable dates count
// as today).
bool IsNewerVersion(const std::string& Text, TzuRenewixVersionControl VersionControl,
                    const std::string& VersionNumber, const std::string& VersionDate);

}  // namespace zu
