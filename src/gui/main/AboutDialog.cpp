#include "gui/main/AboutDialog.h"

#include <QLabel>
#include <QPushButton>

#include "core/base/DataPaths.h"
#include "gui/resources/Pictures.h"

namespace tagwright::gui {

namespace {

// The strip below the picture that says where the station keeps its files.
constexpr int kRuleHeight = 64;

}  // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromLatin1(kCaption));
    setFixedSize(kAboutPictureSize, kAboutPictureSize + kRuleHeight);

    auto* picture = new QLabel(this);
    picture->setPixmap(AboutPicture());
    picture->setGeometry(0, 0, kAboutPictureSize, kAboutPictureSize);

    auto* rule = new QLabel(QString::fromStdString(DescribeDataPaths(CurrentDataPaths())), this);
    rule->setObjectName(QStringLiteral("fileRule"));
    rule->setWordWrap(true);
    rule->setTextInteractionFlags(Qt::TextSelectableByMouse);
    rule->setGeometry(10, kAboutPictureSize + 4, kAboutPictureSize - 20, kRuleHeight - 8);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    ok->setGeometry(kAboutPictureSize - 86, kAboutPictureSize - 36, 76, 26);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace tagwright::gui
