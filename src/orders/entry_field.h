#pragma once

// The entry panel's text fields in their order on the window: Text1(0) to Text1(8).
enum class EntryField
{
    OrderNo,   // Text1(0) "Sipariş No"
    Customer,  // Text1(1) "Firma"
    Fabric,    // Text1(2) "KUMAŞ CİNSİ"
    Lot,       // Text1(3) "LOT"
    Price,     // Text1(4) "KG Fiyatı"
    OrderedKg, // Text1(5) "Sipariş Miktarı Kg"
    Weight,    // Text1(6) " Kg", filled by the scale
    Note,      // Text1(7) "Açıklama"
    Rolls,     // Text1(8) " Top"
};
inline constexpr int kEntryFieldCount = 9;
