#include "f_about.h"

#include "ui_f_about.h"

#include <QIcon>

namespace corvela {

TFAbout::TFAbout(const QString &fullVersion, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFAbout>()), m_fullVersion(fullVersion)
{
    m_ui->setupUi(this);
    QFont nameFont = m_ui->LName->font();
    nameFont.setPixelSize(24);
    m_ui->LName->setFont(nameFont);
    QFont versionFont = m_ui->LVersion->font();
    versionFont.setFamily(u"Tahoma"_qs);
    versionFont.setPixelSize(16);
    m_ui->LVersion->setFont(versionFont);
    m_ui->Image->setPixmap(QIcon(u":/console/icons/corvelateacher.svg"_qs).pixmap(32, 32));
    retranslate();
}

TFAbout::~TFAbout() = default;

QString TFAbout::versionText() const
{
    return m_ui->LVersion->text();
}

void TFAbout::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        m_ui->retranslateUi(this);
        retranslate();
    }
    QDialog::changeEvent(event);
}

void TFAbout::retranslate()
{
    m_ui->LVersion->setText(m_ui->LVersion->text() + u' ' + m_fullVersion);
}

} // namespace corvela
