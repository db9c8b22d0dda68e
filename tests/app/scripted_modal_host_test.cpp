#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>

#include "app/scripted_modal_host.h"
#include "batch_dialog/form2.h"

namespace quorvia::app {
namespace {

batch_dialog::MainWindowLists Lists() {
  // By filter: country, NUTS region, elevation, land cover, watershed, shoreline.
  return {{{{"AT Oesterreich", "FR France"},
            {"All", "AT11", "AT12", "AT21"},
            {"All"},
            {"All"},
            {"All"},
            {"All"}}}};
}

TEST(ScriptedModalHost, AnswersTheDialogAsAUserWould) {
  ScriptedModalHost modals(ScriptedModalHost::BatchAnswer{"Nuts", {"AT11", "AT21"}, false}, "Run");
  batch_dialog::Form2 dialog(Lists(), modals);
  modals.ShowModal(dialog);
  EXPECT_EQ(dialog.Label2()->text(), "2");
  EXPECT_FALSE(dialog.List1(1)->item(1)->isSelected());
  EXPECT_FALSE(modals.MessageShown());
  EXPECT_EQ(modals.InputBox(nullptr, "", "", "Prefix"), "Run");
}

TEST(ScriptedModalHost, AnItemTheListLacksCancelsTheBatchAndCountsAsAnError) {
  ScriptedModalHost modals(ScriptedModalHost::BatchAnswer{"Nuts", {"AT11", "XX99"}, false}, "Run");
  batch_dialog::Form2 dialog(Lists(), modals);
  modals.ShowModal(dialog);
  EXPECT_TRUE(dialog.Label2()->text().isEmpty());
  EXPECT_TRUE(modals.MessageShown());
}

TEST(ScriptedModalHost, AllItemsOfACountryBatchAreTheLowerCasedEntries) {
  ScriptedModalHost modals(ScriptedModalHost::BatchAnswer{"Country", {}, true}, "Run");
  batch_dialog::Form2 dialog(Lists(), modals);
  modals.ShowModal(dialog);
  EXPECT_EQ(dialog.Label2()->text(), "2");
  EXPECT_EQ(dialog.List1(1)->item(1)->text(), "fr france");
}

}  // namespace
}  // namespace quorvia::app
