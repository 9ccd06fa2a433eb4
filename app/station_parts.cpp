#include "station_parts.h"

#include "attach_entry.h"
#include "form1.h"

void installStationParts(Form1& window)
{
    attachEntry(window);
}
