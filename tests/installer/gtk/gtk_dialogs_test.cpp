// The desktop front end's windows in-process on a virtual display: what each dialog shows,
// which of its answers each button, key and close box gives, and the progress window's place
// and its two messages.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "installer/platform/gtk/gtk_ui.h"
#include "installer/platform/gtk/mnemonic.h"
#include "installer_test_support.h"
#include "virtual_display.h"

using namespace platform;

namespace {

using WindowAction = std::function<void(GtkWindow*)>;

bool accept_all(const std::string&) { return true; }

// Runs `action` inside the dialog's own loop, as soon as a window with that caption shows.
void when_shown(const std::string& caption, WindowAction action) {
  struct Pending {
    std::string caption;
    WindowAction action;
  };
  g_timeout_add_full(G_PRIORITY_DEFAULT, 10, [](gpointer data) -> gboolean {
    auto* p = static_cast<Pending*>(data);
    GList* all = gtk_window_list_toplevels();
    GtkWindow* found = nullptr;
    for (GList* w = all; w; w = w->next) {
      GtkWindow* window = GTK_WINDOW(w->data);
      const char* title = gtk_window_get_title(window);
      if (title && p->caption == title && gtk_widget_get_mapped(GTK_WIDGET(window))) found = window;
    }
    g_list_free(all);
    if (!found) return G_SOURCE_CONTINUE;
    p->action(found);
    return G_SOURCE_REMOVE;
  }, new Pending{caption, std::move(action)}, [](gpointer data) { delete static_cast<Pending*>(data); });
}

// Runs `action` after the chooser has had time to read its folder.
void after(int ms, std::function<void()> action) {
  g_timeout_add_full(G_PRIORITY_DEFAULT, guint(ms), [](gpointer data) -> gboolean {
    (*static_cast<std::function<void()>*>(data))();
    return G_SOURCE_REMOVE;
  }, new std::function<void()>(std::move(action)), [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
}

void collect(GtkWidget* widget, GType type, std::vector<GtkWidget*>& found) {
  if (G_TYPE_CHECK_INSTANCE_TYPE(widget, type)) found.push_back(widget);
  if (GTK_IS_CONTAINER(widget)) {
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
    for (GList* c = children; c; c = c->next) collect(GTK_WIDGET(c->data), type, found);
    g_list_free(children);
  }
}

std::vector<GtkWidget*> all_of(GtkWindow* window, GType type) {
  std::vector<GtkWidget*> found;
  collect(GTK_WIDGET(window), type, found);
  return found;
}

// The button or check box whose text, "&" marked, is `text`.
GtkWidget* button(GtkWindow* window, const std::string& text) {
  for (GtkWidget* b : all_of(window, GTK_TYPE_BUTTON)) {
    const char* label = gtk_button_get_label(GTK_BUTTON(b));
    if (label && toolkit_mnemonic(text) == label) return b;
  }
  ADD_FAILURE() << "no button " << text;
  return nullptr;
}

std::vector<std::string> label_texts(GtkWindow* window) {
  std::vector<std::string> texts;
  for (GtkWidget* l : all_of(window, GTK_TYPE_LABEL))
    if (!GTK_IS_BUTTON(gtk_widget_get_parent(l))) texts.push_back(gtk_label_get_label(GTK_LABEL(l)));
  return texts;
}

GtkWidget* only_entry(GtkWindow* window) {
  std::vector<GtkWidget*> entries = all_of(window, GTK_TYPE_ENTRY);
  EXPECT_EQ(entries.size(), 1u);
  return entries.empty() ? nullptr : entries[0];
}

void press_escape(GtkWindow* window) {
  GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
  event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(GTK_WIDGET(window))));
  event->key.keyval = GDK_KEY_Escape;
  gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())));
  gtk_main_do_event(event);
  gdk_event_free(event);
}

class GtkDialogs : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    display = new testsupport::VirtualDisplay();
    setenv("DISPLAY", display->name().c_str(), 1);
    setenv("GSETTINGS_BACKEND", "memory", 1);  // no session bus for the choosers' settings
  }
  static void TearDownTestSuite() {
    delete display;
    display = nullptr;
  }
  void SetUp() override {
    ASSERT_FALSE(display->name().empty());
    ui = GtkUi::open();
    ASSERT_TRUE(ui);
  }

  InstallForm install_form() {
    InstallForm form;
    form.caption = "Ruziz Kestrovan";
    form.destination_label = "解凍先フォルダ(&F):";
    form.destination = "/opt/Ruziz Kestrovan";
    form.browse_title = "解凍先フォルダの指定";
    form.boxes[0] = {"スタートメニューに登録する(&M)", true, false};
    form.boxes[1] = {"デスクトップにショートカットを作成する(&D)", true, true};
    form.boxes[2] = {"「送る」に登録する(&T)", false, true};
    return form;
  }

  static testsupport::VirtualDisplay* display;
  std::unique_ptr<GtkUi> ui;
};

testsupport::VirtualDisplay* GtkDialogs::display = nullptr;

TEST(Mnemonics, AmpersandsBecomeTheToolkitsMarks) {
  EXPECT_EQ(toolkit_mnemonic("はい(&Y)"), "はい(_Y)");
  EXPECT_EQ(toolkit_mnemonic("A && B"), "A & B");
  EXPECT_EQ(toolkit_mnemonic("my_file.cab の場所(&D)"), "my__file.cab の場所(_D)");
  EXPECT_EQ(toolkit_mnemonic("end&"), "end&");
  EXPECT_EQ(toolkit_mnemonic("キャンセル"), "キャンセル");
}

TEST_F(GtkDialogs, TheInstallDialogShowsTheSettingsAndReturnsWhatTheUserLeft) {
  InstallForm form = install_form();
  when_shown("Ruziz Kestrovan", [&](GtkWindow* w) {
    std::vector<std::string> labels = label_texts(w);
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(labels[0], "解凍先フォルダ(_F):");
    GtkWidget* entry = only_entry(w);
    EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(entry)), "/opt/Ruziz Kestrovan");
    GtkWidget* label = all_of(w, GTK_TYPE_LABEL)[0];
    EXPECT_EQ(gtk_label_get_mnemonic_widget(GTK_LABEL(label)), entry);
    EXPECT_EQ(gtk_label_get_mnemonic_keyval(GTK_LABEL(label)), GDK_KEY_f);
    GtkWidget* menu = button(w, form.boxes[0].label);
    GtkWidget* desktop = button(w, form.boxes[1].label);
    GtkWidget* send_to = button(w, form.boxes[2].label);
    EXPECT_TRUE(gtk_widget_get_sensitive(menu));
    EXPECT_FALSE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(menu)));
    EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(desktop)));
    EXPECT_FALSE(gtk_widget_get_sensitive(send_to));  // greyed, and still shown ticked
    EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(send_to)));
    EXPECT_NE(button(w, "参照(&R)..."), nullptr);
    EXPECT_EQ(gtk_window_get_default_widget(w), button(w, "OK"));
    EXPECT_FALSE(gtk_window_get_resizable(w));
    gtk_entry_set_text(GTK_ENTRY(entry), "/tmp/elsewhere");
    gtk_button_clicked(GTK_BUTTON(menu));
    gtk_button_clicked(GTK_BUTTON(desktop));
    gtk_button_clicked(GTK_BUTTON(button(w, "OK")));
  });
  ASSERT_TRUE(ui->install_form(form, accept_all));
  EXPECT_EQ(form.destination, "/tmp/elsewhere");
  EXPECT_TRUE(form.boxes[0].checked);
  EXPECT_FALSE(form.boxes[1].checked);
  EXPECT_TRUE(form.boxes[2].checked);
}

TEST_F(GtkDialogs, TheInstallDialogEndsWithCancelOnItsButtonEscapeAndTheCloseBox) {
  const std::vector<WindowAction> ways = {
      [](GtkWindow* w) { gtk_button_clicked(GTK_BUTTON(button(w, "キャンセル"))); },
      [](GtkWindow* w) { press_escape(w); },
      [](GtkWindow* w) { gtk_window_close(w); },
  };
  for (const WindowAction& way : ways) {
    InstallForm form = install_form();
    when_shown("Ruziz Kestrovan", [&](GtkWindow* w) {
      gtk_entry_set_text(GTK_ENTRY(only_entry(w)), "/tmp/changed");
      way(w);
    });
    EXPECT_FALSE(ui->install_form(form, accept_all));
    EXPECT_EQ(form.destination, "/opt/Ruziz Kestrovan");
  }
}

TEST_F(GtkDialogs, TheFolderChooserReplacesTheFieldOnlyWhenAFolderIsChosen) {
  testsupport::TempDir picked;
  for (bool choose : {false, true}) {
    InstallForm form = install_form();
    when_shown("Ruziz Kestrovan", [&](GtkWindow* w) {
      when_shown("解凍先フォルダの指定", [&](GtkWindow* chooser) {
        EXPECT_EQ(gtk_file_chooser_get_action(GTK_FILE_CHOOSER(chooser)), GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER);
        auto press_ok = [] {
          when_shown("Ruziz Kestrovan", [](GtkWindow* again) { gtk_button_clicked(GTK_BUTTON(button(again, "OK"))); });
        };
        if (choose) {
          gtk_file_chooser_set_filename(GTK_FILE_CHOOSER(chooser), picked.path().c_str());
          after(1000, [chooser, press_ok] {
            gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT);
            press_ok();
          });
        } else {
          gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_CANCEL);
          press_ok();
        }
      });
      gtk_button_clicked(GTK_BUTTON(button(w, "参照(&R)...")));
    });
    ASSERT_TRUE(ui->install_form(form, accept_all));
    EXPECT_EQ(form.destination, choose ? picked.path() : "/opt/Ruziz Kestrovan");
  }
}

TEST_F(GtkDialogs, EachOverwriteButtonGivesItsAnswerAndEscapeOrTheCloseBoxCancel) {
  const std::vector<std::pair<std::string, int>> buttons = {
      {"はい(&Y)", ANSWER_YES}, {"すべて上書き(&A)", ANSWER_YES_TO_ALL}, {"いいえ(&N)", ANSWER_NO},
      {"すべていいえ(&S)", ANSWER_NO_TO_ALL}, {"キャンセル", ANSWER_CANCEL}};
  for (const auto& [text, answer] : buttons) {
    when_shown("ファイルの上書きの確認", [&, text = text](GtkWindow* w) {
      EXPECT_EQ(label_texts(w), std::vector<std::string>{"a_b&c.txt を上書きしますか？"});
      EXPECT_EQ(gtk_window_get_default_widget(w), button(w, "はい(&Y)"));
      EXPECT_EQ(gtk_window_get_focus(w), button(w, "はい(&Y)"));
      gtk_button_clicked(GTK_BUTTON(button(w, text)));
    });
    EXPECT_EQ(ui->overwrite_question("ファイルの上書きの確認", "a_b&c.txt を上書きしますか？"), answer) << text;
  }
  when_shown("ファイルの上書きの確認", [](GtkWindow* w) { press_escape(w); });
  EXPECT_EQ(ui->overwrite_question("ファイルの上書きの確認", "x を上書きしますか？"), ANSWER_CANCEL);
  when_shown("ファイルの上書きの確認", [](GtkWindow* w) { gtk_window_close(w); });
  EXPECT_EQ(ui->overwrite_question("ファイルの上書きの確認", "x を上書きしますか？"), ANSWER_CANCEL);
}

TEST_F(GtkDialogs, TheCabinetPromptStaysOpenUntilTheFolderIsAccepted) {
  testsupport::TempDir wrong, right;
  testsupport::write_file(right / "disk2.cab", "MSCF");
  CabinetForm form{"CABファイルの解凍", "disk2.cab の場所(&D)", wrong.path(), "disk2.cab"};
  std::vector<std::string> tried;
  auto accept = [&](const std::string& folder) {
    tried.push_back(folder);
    return folder == right.path();
  };
  when_shown("CABファイルの解凍", [&](GtkWindow* w) {
    EXPECT_EQ(label_texts(w), std::vector<std::string>{"disk2.cab の場所(_D)"});
    GtkWidget* entry = only_entry(w);
    EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(entry)), wrong.path().c_str());
    gtk_button_clicked(GTK_BUTTON(button(w, "OK")));
    EXPECT_TRUE(gtk_widget_get_visible(GTK_WIDGET(w)));  // refused: still open
    // The file chooser lists only the expected name and fills in its folder.
    when_shown("開く", [&](GtkWindow* chooser) {
      GtkFileFilter* filter = gtk_file_chooser_get_filter(GTK_FILE_CHOOSER(chooser));
      ASSERT_NE(filter, nullptr);
      GtkFileFilterInfo info{GTK_FILE_FILTER_DISPLAY_NAME, nullptr, nullptr, "disk2.cab", nullptr};
      EXPECT_TRUE(gtk_file_filter_filter(filter, &info));
      info.display_name = "disk3.cab";
      EXPECT_FALSE(gtk_file_filter_filter(filter, &info));
      gtk_file_chooser_set_filename(GTK_FILE_CHOOSER(chooser), (right / "disk2.cab").c_str());
      after(1000, [&, chooser] {
        gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT);
        when_shown("CABファイルの解凍", [&](GtkWindow* again) {
          EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(only_entry(again))), right.path().c_str());
          gtk_button_clicked(GTK_BUTTON(button(again, "OK")));
        });
      });
    });
    gtk_button_clicked(GTK_BUTTON(button(w, "参照(&R)")));
  });
  ASSERT_TRUE(ui->cabinet_form(form, accept));
  EXPECT_EQ(tried, (std::vector<std::string>{wrong.path(), right.path()}));
  EXPECT_EQ(form.folder, right.path());

  when_shown("CABファイルの解凍", [](GtkWindow* w) { press_escape(w); });
  EXPECT_FALSE(ui->cabinet_form(form, accept));
}

TEST_F(GtkDialogs, AMessageBoxShowsItsTextUntilOk) {
  int shown = 0;
  when_shown("エラー", [&](GtkWindow* w) {
    ++shown;
    EXPECT_EQ(label_texts(w), std::vector<std::string>{"自己解凍書庫が破損しています。"});
    EXPECT_TRUE(gtk_window_get_modal(w));
    gtk_button_clicked(GTK_BUTTON(button(w, "OK")));
  });
  ui->message_box("自己解凍書庫が破損しています。", MB_ICON_STOP);
  EXPECT_EQ(shown, 1);
}

// The box for a destination that cannot be made comes while the install dialog is still open,
// over it; only its OK ends the dialog.
TEST_F(GtkDialogs, ARefusedDestinationIsReportedOverTheStillOpenInstallDialog) {
  InstallForm form = install_form();
  GtkWindow* dialog = nullptr;
  bool box_over_open_dialog = false;
  when_shown("Ruziz Kestrovan", [&](GtkWindow* w) {
    dialog = w;
    when_shown("エラー", [&](GtkWindow* box) {
      box_over_open_dialog = gtk_window_get_transient_for(box) == dialog && gtk_widget_get_mapped(GTK_WIDGET(dialog));
      gtk_button_clicked(GTK_BUTTON(button(box, "OK")));
    });
    gtk_button_clicked(GTK_BUTTON(button(w, "OK")));
  });
  EXPECT_FALSE(ui->install_form(form, [&](const std::string& destination) {
    EXPECT_EQ(destination, "/opt/Ruziz Kestrovan");
    ui->message_box("フォルダを作成できません", MB_ICON_STOP);
    return false;
  }));
  EXPECT_TRUE(box_over_open_dialog);
}

TEST_F(GtkDialogs, TheProgressWindowOpensHiddenBelowThePointerAndPostsItsTwoMessages) {
  GdkDisplay* gdk_display = gdk_display_get_default();
  gdk_device_warp(gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display)), gdk_display_get_default_screen(gdk_display), 300, 250);
  gdk_display_sync(gdk_display);
  ASSERT_TRUE(ui->create_window("Vexa SFX"));
  GtkWindow* w = ui->main_window();
  EXPECT_FALSE(gtk_widget_get_visible(GTK_WIDGET(w)));
  EXPECT_STREQ(gtk_window_get_title(w), "Vexa SFX");
  EXPECT_FALSE(gtk_window_get_resizable(w));
  ui->set_caption("Ruziz Kestrovan");
  ui->show_window();
  ui->set_status("readme.txt");
  ui->set_progress(140);  // held at the end
  std::vector<GtkWidget*> bars = all_of(w, GTK_TYPE_PROGRESS_BAR);
  ASSERT_EQ(bars.size(), 1u);
  EXPECT_DOUBLE_EQ(gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(bars[0])), 1.0);
  EXPECT_EQ(label_texts(w), std::vector<std::string>{"readme.txt"});

  std::vector<WindowMessage> seen;
  when_shown("Ruziz Kestrovan", [&](GtkWindow* shown) {
    int x = 0, y = 0, width = 0, height = 0;
    gdk_window_get_origin(gtk_widget_get_window(GTK_WIDGET(shown)), &x, &y);
    gtk_window_get_size(shown, &width, &height);
    EXPECT_EQ(x, 300 - 110);
    EXPECT_EQ(y, 250 + 32);
    EXPECT_EQ(width, 214);
    EXPECT_EQ(height, 74);
    gtk_button_clicked(GTK_BUTTON(button(shown, "中止")));
    gtk_window_close(shown);
  });
  ui->queue().run([&](const WindowMessage& m) -> intptr_t {
    seen.push_back(m);
    if (m.id == POSTED_CLOSE) {
      ui->destroy_window();
      ui->queue().post_quit(0);
    }
    return 0;
  });
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].id, POSTED_COMMAND);
  EXPECT_EQ(seen[0].wparam, ABORT_BUTTON_ID);
  EXPECT_EQ(seen[1].id, POSTED_CLOSE);
  EXPECT_EQ(ui->main_window(), nullptr);
}

}  // namespace
