#include "station_parts.h"

#include "attach_entry.h"
#include "form1.h"
#include "label_designer.h"
#include "scale_link.h"

void installStationParts(Form1& window)
{
    attachEntry(window);
    attachLabels(window);
    attachScale(window);
}
