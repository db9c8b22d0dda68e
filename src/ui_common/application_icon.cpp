#include "ui_common/application_icon.h"

// The resources of a static library are registered by hand, outside any namespace.
static void RegisterIconResource() { Q_INIT_RESOURCE(application_icon); }

namespace quorvia::ui {

QIcon ApplicationIcon() {
  RegisterIconResource();
  QIcon icon;
  for (const char* size : {"48", "256"})
    icon.addFile(QStringLiteral(":/quorvia/org.quorvia.Quorvia-%1.png").arg(QLatin1String(size)));
  return icon;
}

}  // namespace quorvia::ui
