#include "platform/standard_streams.h"

void UseBinaryStandardStreams()
{
    // Streams carry bytes as they are here.
}
