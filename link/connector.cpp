#include "link/connector.h"

#include "link/transport.h"

namespace kordex {

void closeReportingLoss(LinkContext &ctx, Transport &t)
{
    const qint64 unsent = t.isOpen() ? t.unsentBytes() : 0;
    t.tearDown();
    if (unsent > 0)
        ctx.setProgress(QByteArray::number(unsent) + " bytes not yet sent were discarded by the close");
}

Task<bool> NoConnector::bringUp()
{
    ctx_.connectError() =
        "Connection type " + QByteArray::number(uint8_t(ctx_.current().connectionType)) + " is not supported";
    co_return false;
}

}  // namespace kordex
