#pragma once
// The about box: program icon, name and full version.

#include <QDialog>

#include <memory>

namespace Ui {
class TFAbout;
}

namespace corvela {

class TFAbout : public QDialog
{
    Q_OBJECT
public:
    TFAbout(const QString &fullVersion, QWidget *parent = nullptr);
    ~TFAbout() override;

    QString versionText() const;

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();

    std::unique_ptr<Ui::TFAbout> m_ui;
    QString m_fullVersion;
};

} // namespace corvela
