#include "exchange/card_exchange.h"

#include "core/jet_sql.h"
#include "core/logging.h"
#include "core/shared_routines.h"
#include "exchange/branch_list.h"
#include "exchange/field_copy.h"
#include "exchange/local_files.h"

using namespace Qt::StringLiterals;
using jetsql::quoteText;

namespace {

struct CardKind
{
    QString what;         // for the operator's texts
    QString localFile;    // the branch's own database
    QString table;        // "CariKartlar" / "StokKartlar"
    QString centralQuery; // followed by the command
};

void exchangeCard(ExchangeContext& ctx, const CardKind& kind)
{
    ExchangeControls& c = ctx.controls;
    const ExchangeSettings& s = ctx.settings;
    const QString command = s.ExchangeCommand;
    QString error;

    ctx.host.progress(u"%1 gönderiliyor: %2"_s.arg(kind.what, command), 0, 0);
    // Without its own card table the station has no card to send.
    if (QString why = localfiles::lacking(kind.localFile, {kind.table}); !why.isEmpty() ||
        !localfiles::point(c.Data1, kind.localFile, kind.table, &why)) {
        ctx.report.failure(u"%1 gönderilemedi: %2"_s.arg(kind.what, why));
        return;
    }
    RecordSet& local = *c.Data1.recordset();
    // Without the company database's cards no branch counts as a terminal.
    RecordSet* terminals = nullptr;
    if (QString why = localfiles::lacking(s.companyDatabase(), {u"CariKartlar"_s});
        !why.isEmpty()) {
        ctx.report.note(u"Terminal şubeler okunamadı (%1); hiçbir şube terminal sayılmadı."_s.arg(
            why));
    } else if (!localfiles::point(c.Data2, s.companyDatabase(),
                                  u"select * from CariKartlar Where Gurup='Terminal'"_s, &why)) {
        ctx.report.failure(u"%1 gönderilemedi: %2"_s.arg(kind.what, why));
        return;
    } else {
        terminals = c.Data2.recordset();
    }

    // The card to send. A command that matches no card sends nothing: the set would
    // otherwise stay on another card and send it under this card's condition.
    if (!local.findFirst(command)) {
        ctx.report.failure(
            u"%1 komutu okunamadı (%2): %3"_s.arg(kind.what, command, local.lastError()));
        return;
    }
    if (local.noMatch()) {
        ctx.report.failure(
            u"%1 bulunamadı (%2); hiçbir şube için gönderilmedi."_s.arg(kind.what, command));
        return;
    }

    c.Adodc1.setConnection(ctx.central.database());
    c.Adodc1.setRecordSource(kind.centralQuery + command);
    if (!c.Adodc1.refresh()) {
        ctx.report.failure(u"%1 gönderilemedi: %2"_s.arg(kind.what, c.Adodc1.lastError()));
        return;
    }
    RecordSet& copies = *c.Adodc1.recordset();
    const int serverFlag = s.serverFlag();

    QString listError;
    const auto branches = readBranchList(s, &listError);
    if (!branches) {
        ctx.report.failure(
            listError.isEmpty()
                ? u"Şube listesi (Sube.txt) yok; %1 hiçbir şubeye gönderilmedi."_s.arg(kind.what)
                : u"Şube listesi okunamadı: %1"_s.arg(listError));
        return;
    }

    const QStringList fields = fieldcopy::gridFields(local);
    const fieldcopy::Copy copy(fields, local, copies, fieldcopy::Direction::ToCentral);
    for (const QString& m : copy.missing())
        ctx.report.note(u"Aktarılmayan alan (karşı tabloda yok): %1"_s.arg(m));

    int done = 0;
    int sent = 0;
    for (const QString& branch : *branches) {
        ++done;
        if (branch == s.OwnBranch)
            continue;
        auto fail = [&](const QString& why) {
            ctx.central.rollback();
            ctx.report.failure(u"Şube %1: %2 gönderilemedi: %3"_s.arg(branch, kind.what, why));
        };
        // One copy is written whole or not at all.
        if (!ctx.central.begin(&error)) {
            fail(error);
            continue;
        }
        copies.moveFirst();
        if (!copies.findFromCurrent(u"Sube="_s + quoteText(branch))) {
            fail(copies.lastError());
            continue;
        }
        // A branch that works as a terminal takes the card as one waiting for it.
        if (terminals && !terminals->findFirst(u"Sube="_s + quoteText(branch))) {
            fail(terminals->lastError());
            continue;
        }
        const bool terminal = terminals && !terminals->noMatch();
        if (copies.eof())
            copies.addNew();
        else if (!copies.edit()) {
            fail(copies.lastError());
            continue;
        }
        if (!copy.apply(local, copies, &error) || !copies.setValue(u"Server", serverFlag) ||
            !copies.setValue(u"Sube", branch) || (terminal && !copies.setValue(u"Yeni", 2))) {
            fail(error.isEmpty() ? copies.lastError() : error);
            copies.cancelUpdate();
            continue;
        }
        if (!copies.update()) {
            fail(copies.lastError());
            copies.cancelUpdate();
            continue;
        }
        if (!ctx.central.commit(&error)) {
            fail(error);
            continue;
        }
        ctx.report.countSent();
        ++sent;
        ctx.host.progress(u"%1 gönderildi: şube %2"_s.arg(kind.what, branch), done,
                          static_cast<int>(branches->size()));
        ctx.host.yield();
        if (ctx.host.stopRequested()) {
            ctx.report.setStopped();
            break;
        }
    }
    c.Data1.close();
    c.Data2.close();
    qCInfo(lcExchange).noquote() << u"%1 şubelere gönderildi: %2 şube"_s.arg(kind.what).arg(sent);
}

} // namespace

void ExchangeAccountCards(ExchangeContext& ctx)
{
    exchangeCard(ctx, {u"Cari kart"_s, ctx.settings.accountDatabase(ctx.settings.OwnBranch),
                       u"CariKartlar"_s, u"select * from CariKartlar Where "_s});
}

void ExchangeStockCards(ExchangeContext& ctx)
{
    exchangeCard(ctx, {u"Stok kartı"_s, ctx.settings.stockDatabase(ctx.settings.OwnBranch),
                       u"StokKartlar"_s, u"Select * from StokKartlar Where "_s});
}
