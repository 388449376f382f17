#include "link/connector.h"

namespace kordex {

Task<bool> NoConnector::bringUp()
{
    ctx_.connectError() = "Connection type " + QByteArray::number(ctx_.current().ConnectionType) + " is not supported";
    co_return false;
}

}  // namespace kordex
