#include "gui/main/AboutDialog.h"

#include <QLabel>
#include <QPushButton>

#include "gui/resources/Pictures.h"

namespace tagwright::gui {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromLatin1(kCaption));
    setFixedSize(kAboutPictureSize, kAboutPictureSize);

    auto* picture = new QLabel(this);
    picture->setPixmap(AboutPicture());
    picture->setGeometry(0, 0, kAboutPictureSize, kAboutPictureSize);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    ok->setGeometry(kAboutPictureSize - 86, kAboutPictureSize - 36, 76, 26);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace tagwright::gui
