#include "Fonts.h"

#include <QFont>

using namespace Qt::StringLiterals;

void installFontSubstitutes()
{
#ifndef Q_OS_WIN
    QFont::insertSubstitution(u"宋体"_s, u"AR PL UMing CN"_s);
    QFont::insertSubstitution(u"黑体"_s, u"WenQuanYi Zen Hei"_s);
#endif
}
