#pragma once

#include <QString>

#include "db/db_error.h"

namespace quorvia::app {

// How an engine error is put to the user: its number and its description.
inline QString ErrorText(const db::DbError& error) {
  return QStringLiteral("Error %1\n\n%2")
      .arg(error.Number())
      .arg(QString::fromStdString(error.Description()));
}

}  // namespace quorvia::app
