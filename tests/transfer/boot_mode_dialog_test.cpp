#include "link/boot_mode_dialog.h"

#include "widgets/dialog_units.h"
#include "widgets/message_box.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class BootModePrompt : public ::testing::Test {
protected:
    BootModeDialog prompt;
    std::vector<ShownMessage> messages;

    void SetUp() override {
        setMessageRecorder([this](const ShownMessage& message) { messages.push_back(message); });
    }
    void TearDown() override { setMessageRecorder({}); }

    QPushButton* button(const QString& text) {
        for (QPushButton* candidate : prompt.findChildren<QPushButton*>())
            if (candidate->text() == text)
                return candidate;
        return nullptr;
    }
};

TEST_F(BootModePrompt, ShowsItsTextsAndFourPorts) {
    EXPECT_EQ(prompt.windowTitle(), "Boot mode");
    const QSize templateSize = DialogUnits(prompt.font()).size(209, 134);
    EXPECT_EQ(prompt.height(), templateSize.height());
    EXPECT_GE(prompt.width(), templateSize.width());
    QStringList texts;
    for (QLabel* label : prompt.findChildren<QLabel*>()) {
        texts << label->text();
        EXPECT_GE(label->width(), label->sizeHint().width())
            << "cut off: " << label->text().toStdString();
        EXPECT_LE(label->geometry().right(), prompt.width());
    }
    EXPECT_EQ(texts, (QStringList{"The receiver was not detected...",
                                  "If you want to download the firmware in the boot mode,",
                                  "click OK button below and AC power on your receiver."}));
    ASSERT_EQ(prompt.findChildren<QGroupBox*>().size(), 1);
    EXPECT_EQ(prompt.findChildren<QGroupBox*>()[0]->title(), "COM port setting");
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(prompt.portButton(i)->text(), QStringLiteral("COM%1").arg(i + 1));
    ASSERT_NE(button("OK"), nullptr);
    ASSERT_NE(button("Cancel"), nullptr);
    EXPECT_TRUE(button("OK")->isDefault());
}

TEST_F(BootModePrompt, PresetSelectsOnePortOrNone) {
    prompt.setPortIndex(1);
    EXPECT_TRUE(prompt.portButton(1)->isChecked());
    EXPECT_EQ(prompt.portIndex(), 1);
    for (int outside : {-1, 4, 6}) {
        prompt.setPortIndex(outside);
        EXPECT_EQ(prompt.portIndex(), -1) << outside;
        for (int i = 0; i < 4; ++i)
            EXPECT_FALSE(prompt.portButton(i)->isChecked());
        prompt.setPortIndex(3);
        EXPECT_EQ(prompt.portIndex(), 3);
    }
}

TEST_F(BootModePrompt, OkWithoutAPortAsksForOneAndStaysOpen) {
    prompt.setPortIndex(-1);
    prompt.open();
    QTest::mouseClick(button("OK"), Qt::LeftButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Select COM port...");
    EXPECT_EQ(messages[0].icon, MessageIcon::none);
    EXPECT_TRUE(prompt.isVisible());

    QTest::mouseClick(prompt.portButton(2), Qt::LeftButton);
    QTest::mouseClick(button("OK"), Qt::LeftButton);
    EXPECT_FALSE(prompt.isVisible());
    EXPECT_EQ(prompt.result(), QDialog::Accepted);
    EXPECT_EQ(prompt.portIndex(), 2);
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(BootModePrompt, CancelAndEscapeCloseWithCancel) {
    prompt.setPortIndex(0);
    prompt.open();
    QTest::mouseClick(button("Cancel"), Qt::LeftButton);
    EXPECT_EQ(prompt.result(), QDialog::Rejected);
    EXPECT_FALSE(prompt.isVisible());

    prompt.open();
    QTest::keyClick(&prompt, Qt::Key_Escape);
    EXPECT_EQ(prompt.result(), QDialog::Rejected);
    EXPECT_FALSE(prompt.isVisible());
    EXPECT_TRUE(messages.empty());
}

} // namespace
