#include "platform/framework/Text.h"

#include <QString>

namespace zu {

int LocaleCompare(const std::string& S1, const std::string& S2, bool CaseSensitive) {
  QString A = QString::fromStdString(S1), B = QString::fromStdString(S2);
  if (!CaseSensitive) {
    A = A.toCaseFolded();
    B = B.toCaseFolded();
  }
  return QString::localeAwareCompare(A, B);
}

std::string LocaleLowerCase(const std::string& S) {
  return QString::fromStdString(S).toLower().toStdString();
}

}  // namespace zu
