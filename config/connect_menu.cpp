#include "config/connect_menu.h"

#include "platform/text_codec.h"

namespace kordex {

void ConnectMenuModel::rebuildConnectMenu(const ConnectionBook &book)
{
    captions_.clear();
    captions_.reserve(book.count());
    for (int i = 0; i < book.count(); ++i)
        captions_.push_back(book.at(i).systemName);
}

void ConnectMenuModel::markConnectMenuItem(int index)
{
    if (index >= 0 && index < count())
        captions_[index] += kCurrentMarker;
}

void ConnectMenuModel::unmarkConnectMenuItem(int index)
{
    if (index >= 0 && index < count() && captions_[index].endsWith(kCurrentMarker))
        captions_[index].chop(kCurrentMarker.size());
}

QString connectMenuItemText(const QByteArray &caption)
{
    QString s = fromPanelBytes(caption);
    s.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return s;
}

}  // namespace kordex
