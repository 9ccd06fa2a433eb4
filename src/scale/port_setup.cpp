#include "scale/port_setup.h"

#include "core/number_format.h"
#include "core/settings_store.h"
#include "scale/scale_port.h"

#include <functional>
#include <limits>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

const QString kSection = u"Properties"_s;

// A stored number read as a whole number, as the older stations read it.
std::optional<int> wholeNumber(const QString& text)
{
    const std::optional<double> value = numfmt::parse(text);
    if (!value || *value < std::numeric_limits<int>::min() ||
        *value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(numfmt::roundEven(*value));
}

} // namespace

bool applyPortChoice(TeraziComm& comm, const PortChoice& choice, const PortWarning& warn,
                     const std::function<void(bool open)>& reopened)
{
    // A new port number; the port refusing it brings the old one back.
    const int oldNumber = comm.CommPort();
    const int newNumber = choice.portNumber;
    if (newNumber != oldNumber) {
        const bool reopen = comm.PortOpen();
        if (reopen)
            comm.setPortOpen(false);
        bool ok = comm.setCommPort(newNumber);
        if (ok && reopen) {
            ok = comm.setPortOpen(true);
            if (reopened)
                reopened(comm.PortOpen());
        }
        if (!ok) {
            warn(comm.errorText());
            comm.setCommPort(oldNumber);
            return false;
        }
    }

    // The settings text, parity as the first letter of its list entry; then handshaking.
    const QString settingsText =
        u"%1,%2,%3,%4"_s.arg(choice.speed.trimmed(), choice.parity.left(1),
                             choice.dataBits.trimmed(), choice.stopBits.trimmed());
    if (!comm.setSettings(settingsText)) {
        warn(comm.errorText());
        return false;
    }
    if (!comm.setHandshaking(choice.flowMode)) {
        warn(comm.errorText());
        return false;
    }

    // Store what the port took, as it reports it.
    bool stored = true;
    for (const auto& [key, value] :
         {std::pair{u"Settings"_s, comm.Settings()},
          std::pair{u"CommPort"_s, QString::number(comm.CommPort())},
          std::pair{u"Handshaking"_s, QString::number(comm.Handshaking())},
          std::pair{u"Echo"_s, choice.echoOn ? u"True"_s : u"False"_s}})
        stored = settings::SaveSetting(kSection, key, value) && stored;
    if (!stored)
        warn(u"Port ayarları kaydedilemedi (%1). Port bu oturumda yeni ayarlarla çalışır, "
             u"bir sonraki açılışta eski ayarlar geçerli olur."_s.arg(settings::appStorePath()));

    // Open; a port that does not open is reported, the dialog closes all the same.
    if (!comm.PortOpen() && !comm.setPortOpen(true))
        warn(comm.errorText());
    return true;
}

void PortStartup(TeraziComm& comm, const PortWarning& warn)
{
    const QString settingsText = settings::GetSetting(kSection, u"Settings"_s);
    if (!settingsText.isEmpty() && !comm.setSettings(settingsText)) {
        warn(comm.errorText());
        return;
    }

    // The stored port number and handshaking; a refusal of either is told below.
    QString refused;
    auto apply = [&](const QString& key, const QString& what, const std::function<bool(int)>& set) {
        const QString text = settings::GetSetting(kSection, key);
        if (text.isEmpty())
            return;
        if (const std::optional<int> number = wholeNumber(text); !number)
            refused = u"Kayıtlı %1 \"%2\" bir sayı değil."_s.arg(what, text);
        else if (!set(*number))
            refused = comm.errorText();
    };
    apply(u"CommPort"_s, u"port numarası"_s, [&](int n) { return comm.setCommPort(n); });
    apply(u"Handshaking"_s, u"akış denetimi"_s, [&](int n) { return comm.setHandshaking(n); });
    if (!refused.isEmpty()) {
        warn(refused);
        return;
    }
    comm.setPortOpen(true);
}

PortListTexts splitSettingsForLists(QStringView s)
{
    const qsizetype k = s.contains(u'.') ? 2 : 0;
    const qsizetype length = s.size();
    // The character at a 1-based position, empty outside the text.
    auto at = [&](qsizetype position) {
        return position >= 1 && position <= length ? s.sliced(position - 1, 1).toString()
                                                   : QString();
    };
    PortListTexts lists;
    lists.speed = s.first(std::max<qsizetype>(0, length - 6 - k)).toString();
    const QString letter = at(length - 4 - k);
    lists.parityIndex =
        letter.isEmpty() ? -1 : static_cast<int>(QStringView(u"eonms").indexOf(letter));
    lists.dataBits = at(length - 2 - k);
    lists.stopBits = s.last(std::min(length, 1 + k)).toString();
    return lists;
}
