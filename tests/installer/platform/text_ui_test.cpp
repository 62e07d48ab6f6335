// The terminal front end, driven line by line as the end-to-end tests drive the stub.
#include <gtest/gtest.h>

#include <cstdio>

#include "installer/platform/text/text_ui.h"

using namespace platform;

namespace {

bool accept_all(const std::string&) { return true; }

class Terminal : public ::testing::Test {
 protected:
  void answers(const std::string& lines) {
    input = lines;
    in = input.empty() ? std::fopen("/dev/null", "r") : fmemopen(input.data(), input.size(), "r");
    out = open_memstream(&output_buffer, &output_size);
    ui = std::make_unique<TextUi>(in, out);
  }
  std::string output() {
    std::fflush(out);
    return std::string(output_buffer, output_size);
  }
  void TearDown() override {
    ui.reset();
    if (in) std::fclose(in);
    if (out) std::fclose(out);
    std::free(output_buffer);
    in = out = nullptr;
    output_buffer = nullptr;
  }
  InstallForm form() {
    InstallForm f;
    f.caption = "Ruziz Kestrovan";
    f.destination_label = "解凍先フォルダ(&F):";
    f.destination = "/opt/ruziz";
    f.boxes[0] = {"スタートメニューに登録する(&M)", true, false};
    f.boxes[1] = {"デスクトップにショートカットを作成する(&D)", true, true};
    f.boxes[2] = {"「送る」に登録する(&T)", false, true};
    return f;
  }

  std::string input;
  std::FILE* in = nullptr;
  std::FILE* out = nullptr;
  char* output_buffer = nullptr;
  size_t output_size = 0;
  std::unique_ptr<TextUi> ui;
};

TEST_F(Terminal, TheInstallQuestionAsksInOrderAndEmptyLinesKeep) {
  answers("\n\n\n\n");
  InstallForm f = form();
  EXPECT_TRUE(ui->install_form(f, accept_all));
  EXPECT_EQ(f.destination, "/opt/ruziz");
  EXPECT_FALSE(f.boxes[0].checked);
  EXPECT_TRUE(f.boxes[1].checked);
  EXPECT_TRUE(f.boxes[2].checked);
  std::string text = output();
  size_t title = text.find("Ruziz Kestrovan"), folder = text.find("解凍先フォルダ(&F): [/opt/ruziz]"),
         menu = text.find("[ ] スタートメニューに登録する(&M) (y/n)"),
         desktop = text.find("[x] デスクトップにショートカットを作成する(&D) (y/n)"),
         send_to = text.find("[x] 「送る」に登録する(&T)\n"), ok = text.find("OK / キャンセル");
  EXPECT_LT(title, folder);
  EXPECT_LT(folder, menu);
  EXPECT_LT(menu, desktop);
  EXPECT_LT(desktop, send_to);
  EXPECT_LT(send_to, ok);
  EXPECT_NE(ok, std::string::npos) << text;
}

TEST_F(Terminal, AnswersChangeTheFormAndGreyedBoxesAreNotAsked) {
  answers("/srv/game\ny\nn\ny\n");
  InstallForm f = form();
  std::string offered;
  EXPECT_TRUE(ui->install_form(f, [&](const std::string& destination) {
    offered = destination;
    return true;
  }));
  EXPECT_EQ(offered, "/srv/game");
  EXPECT_EQ(f.destination, "/srv/game");
  EXPECT_TRUE(f.boxes[0].checked);
  EXPECT_FALSE(f.boxes[1].checked);
  EXPECT_TRUE(f.boxes[2].checked);
}

TEST_F(Terminal, UnclearAnswersAreAskedAgain) {
  answers("\nmaybe\nY\n\nyes\nn\n");
  InstallForm f = form();
  EXPECT_FALSE(ui->install_form(f, accept_all));  // "n" at OK is キャンセル
  EXPECT_TRUE(f.boxes[0].checked);
}

TEST_F(Terminal, ARefusedDestinationEndsTheQuestionAsCancelled) {
  answers("/x\n\n\n\n");
  InstallForm f = form();
  EXPECT_FALSE(ui->install_form(f, [](const std::string&) { return false; }));
}

TEST_F(Terminal, TheEndOfInputIsACancelAnywhere) {
  for (const char* script : {"", "/x\n", "/x\ny\n", "/x\ny\ny\n"}) {
    TearDown();
    answers(script);
    InstallForm f = form();
    EXPECT_FALSE(ui->install_form(f, accept_all)) << script;
  }
}

TEST_F(Terminal, TheOverwriteQuestionTakesItsFiveLetters) {
  answers("y\na\nn\ns\nc\nx\n\n");
  std::vector<int> got;
  for (int i = 0; i < 7; ++i) got.push_back(ui->overwrite_question("ファイルの上書きの確認", "a.txt を上書きしますか？"));
  EXPECT_EQ(got, std::vector<int>({ANSWER_YES, ANSWER_YES_TO_ALL, ANSWER_NO, ANSWER_NO_TO_ALL, ANSWER_CANCEL,
                                   ANSWER_YES, ANSWER_CANCEL}));
  EXPECT_NE(output().find("a.txt を上書きしますか？\n"), std::string::npos);
}

TEST_F(Terminal, TheCabinetPromptAsksUntilAFolderIsAccepted) {
  answers("/wrong\n/right\n");
  CabinetForm f{"CABファイルの解凍", "disk2.cab の場所(&D)", "/first", "disk2.cab"};
  std::vector<std::string> tried;
  EXPECT_TRUE(ui->cabinet_form(f, [&](const std::string& folder) {
    tried.push_back(folder);
    return folder == "/right";
  }));
  EXPECT_EQ(tried, std::vector<std::string>({"/wrong", "/right"}));
  EXPECT_NE(output().find("disk2.cab の場所(&D) [/first]: "), std::string::npos);
}

TEST_F(Terminal, AnEmptyFolderCancelsTheCabinetPrompt) {
  answers("\n/never\n");
  CabinetForm f{"CABファイルの解凍", "disk2.cab の場所(&D)", "/first", "disk2.cab"};
  EXPECT_FALSE(ui->cabinet_form(f, [](const std::string&) { return true; }));
}

TEST_F(Terminal, ProgressIsOneLineWithNameAndPercent) {
  answers("");
  ui->create_window("Vexa SFX");
  ui->set_status("hidden");  // nothing is shown before the window
  ui->set_caption("Ruziz Kestrovan");
  ui->show_window();
  ui->set_status("Kestrovan");
  ui->set_progress(40);
  ui->set_progress(109);
  ui->message_box("自己解凍書庫が破損しています。", MB_ICON_STOP);
  ui->destroy_window();
  EXPECT_EQ(output(),
            "Ruziz Kestrovan\nKestrovan  0%\nKestrovan  40%\nKestrovan  100%\n自己解凍書庫が破損しています。\n");
}

}  // namespace
