#pragma once

#include <string>

class QWidget;

namespace quorvia::ui {
class ModalHost;
}

namespace quorvia::app {

// Start-up on an Access database: when the file at `databasePath` is one (by its header), asks whether to
// convert it and, on Yes, converts it in place with a cancellable progress dialog. True when start-up can
// go on (the file is, or has become, an SQLite database); false when the program should end: the user
// said No, cancelled, or the conversion failed (the reason has been shown). The folder is unchanged then.
bool OfferAccessConversion(QWidget* parent, const std::string& databasePath, ui::ModalHost& modals);

}  // namespace quorvia::app
