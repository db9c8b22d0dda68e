#pragma once

#include <QComboBox>
#include <QString>
#include <QStringList>
#include <string>

// The window's texts are Qt strings, the run's are UTF-8 std::strings: one pair of conversions for both.
namespace quorvia::app {

inline QString Q(const std::string& text) { return QString::fromStdString(text); }
inline std::string S(const QString& text) { return text.toStdString(); }

// The entries of a box, in list order.
inline QStringList Entries(const QComboBox* box) {
  QStringList entries;
  for (int i = 0; i < box->count(); ++i) entries << box->itemText(i);
  return entries;
}

}  // namespace quorvia::app
