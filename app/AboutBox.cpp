#include "app/AboutBox.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

TAboutBox::TAboutBox(const QString &title, const QString &version, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("关于") + title);
    setModal(true);
    auto *picture = new QLabel;
    picture->setObjectName(QStringLiteral("AboutPicture"));
    picture->setPixmap(QPixmap(QStringLiteral(":/about.jpg")));
    picture->setAlignment(Qt::AlignCenter);
    auto *text = new QLabel(QStringLiteral("<h3>%1</h3><p>版本 %2</p>"
                                           "<p>七位数开奖历史的Vexel规律分析工具：导入开奖号码，"
                                           "在后台穷举搜索彩线规律，并在图表上查看每一条规律的走势。</p>")
                                .arg(title.toHtmlEscaped(), version));
    text->setObjectName(QStringLiteral("AboutText"));
    text->setWordWrap(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(picture);
    layout->addWidget(text);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
