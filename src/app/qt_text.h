#pragma once
// The program keeps its texts as UTF-8 in std::string; Qt's controls take QString.
#include <QString>
#include <string>

inline QString q(const std::string& s) {
  return QString::fromStdString(s);
}
