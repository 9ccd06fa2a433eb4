-- Central exchange database of the branch data exchange (PostgreSQL 12 or later).
--
-- The four exchange tables carry the fields of the branches' tables under the same
-- names (quoted, so that their capitals are kept), except that the central movement
-- tables spell DokNo, Uretim and Urmik without Turkish letters. Every table has an
-- integer key "id" by which the exchange addresses its rows.
--
-- Run it once on an empty database, e.g.
--   psql -d central -f sql/central_schema.sql
-- or let the exchange program do it: topkar-exchange --create-central
-- Running it again changes nothing.

CREATE TABLE IF NOT EXISTS "CariKartlar" (
    "id" bigserial PRIMARY KEY,
    "CariKod" text,
    "Unvan" text,
    "HesKullan" smallint NOT NULL DEFAULT 0,
    "Gurup" text DEFAULT 'Gurup Yok',
    "Adres" text,
    "Il" text,
    "Telefon" text,
    "VergiDairesi" text,
    "VergiNo" text,
    "Borc" double precision DEFAULT 0,
    "Alacak" double precision DEFAULT 0,
    "Bakiye" double precision DEFAULT 0,
    "dBorc" double precision DEFAULT 0,
    "dAlacak" double precision DEFAULT 0,
    "dBakiye" double precision DEFAULT 0,
    "eBorc" double precision DEFAULT 0,
    "eAlacak" double precision DEFAULT 0,
    "eBakiye" double precision DEFAULT 0,
    "Hesap" text DEFAULT 'Borç',
    "Sube" text,
    "Yeni" integer DEFAULT 0,
    "Server" integer DEFAULT 0,
    "DigerId" text
);
CREATE INDEX IF NOT EXISTS "CariKartlar_Sube" ON "CariKartlar" ("Sube", "Server", "Yeni");
CREATE INDEX IF NOT EXISTS "CariKartlar_CariKod" ON "CariKartlar" ("CariKod");

CREATE TABLE IF NOT EXISTS "StokKartlar" (
    "id" bigserial PRIMARY KEY,
    "StokKod" text,
    "StokAdi" text,
    "StokGizle" smallint NOT NULL DEFAULT 0,
    "Birim" text DEFAULT 'KG',
    "Gurup" text DEFAULT 'Gurup Yok',
    "Fiyat" double precision DEFAULT 0,
    "gFiyat" double precision DEFAULT 0,
    "GirenMik" double precision DEFAULT 0,
    "GirenTutar" double precision DEFAULT 0,
    "CikanMik" double precision DEFAULT 0,
    "CikanTutar" double precision DEFAULT 0,
    "KalanB" double precision DEFAULT 0,
    "KalanA" double precision DEFAULT 0,
    "Kar" double precision DEFAULT 0,
    "Maliyet" double precision DEFAULT 0,
    "Sube" text,
    "Yeni" integer DEFAULT 0,
    "Server" integer DEFAULT 0,
    "DigerId" text
);
CREATE INDEX IF NOT EXISTS "StokKartlar_Sube" ON "StokKartlar" ("Sube", "Server", "Yeni");
CREATE INDEX IF NOT EXISTS "StokKartlar_StokKod" ON "StokKartlar" ("StokKod");

CREATE TABLE IF NOT EXISTS "CariHareket" (
    "id" bigserial PRIMARY KEY,
    "CariHarKod" text,
    "Tarih" timestamp,
    "DokNo" text,
    "Aciklama" text,
    "Borc" double precision DEFAULT 0,
    "Alacak" double precision DEFAULT 0,
    "dBorc" double precision DEFAULT 0,
    "dAlacak" double precision DEFAULT 0,
    "eBorc" double precision DEFAULT 0,
    "eAlacak" double precision DEFAULT 0,
    "Fiyat" double precision DEFAULT 0,
    "Miktar" double precision DEFAULT 0,
    "KasaVisa" text,
    "Nerde" text,
    "Unvan" text,
    "Carisi" text,
    "DigerId" text,
    "Sube" text,
    "Yeni" integer DEFAULT 0,
    "Server" integer DEFAULT 0
);
CREATE INDEX IF NOT EXISTS "CariHareket_Sube" ON "CariHareket" ("Sube", "Server", "Yeni");
CREATE INDEX IF NOT EXISTS "CariHareket_CariHarKod" ON "CariHareket" ("CariHarKod", "DigerId");
CREATE INDEX IF NOT EXISTS "CariHareket_Yeni" ON "CariHareket" ("Yeni", "DigerId");

CREATE TABLE IF NOT EXISTS "StokHareket" (
    "id" bigserial PRIMARY KEY,
    "StokHarKod" text,
    "Tarih" timestamp,
    "DokNo" text,
    "Aciklama" text,
    "Carisi" text,
    "GirisCikis" text,
    "Birim" text,
    "Miktar" double precision DEFAULT 0,
    "Fiyat" double precision DEFAULT 0,
    "Tutar" double precision DEFAULT 0,
    "dTutar" double precision DEFAULT 0,
    "eTutar" double precision DEFAULT 0,
    "KdvTut" double precision DEFAULT 0,
    "Kar" double precision DEFAULT 0,
    "KasaVisa" text,
    "Uretim" text,
    "Urmik" double precision DEFAULT 0,
    "Nerde" text,
    "DigerId" text,
    "SeriNoDiger" text,
    "Sube" text,
    "Yeni" integer DEFAULT 0,
    "Server" integer DEFAULT 0
);
CREATE INDEX IF NOT EXISTS "StokHareket_Sube" ON "StokHareket" ("Sube", "Server", "Yeni");
CREATE INDEX IF NOT EXISTS "StokHareket_Yeni" ON "StokHareket" ("Yeni");

-- Receipts of uploaded movements: one row per group of movements a branch sent in
-- one transaction, written in that same transaction, listing the marks the branch
-- gave the movements (their AktarimNo, separated by blanks). A branch that was cut
-- off before it could clear its own pending marks finds the receipt on its next run
-- and does not send those movements again. The branch removes its receipts once its
-- marks are cleared.
CREATE TABLE IF NOT EXISTS "AktarimFisleri" (
    "Anahtar" text PRIMARY KEY,
    "Sube" text,
    "Tablo" text,
    "Isaretler" text,
    "Zaman" timestamp DEFAULT now()
);
CREATE INDEX IF NOT EXISTS "AktarimFisleri_Sube" ON "AktarimFisleri" ("Sube", "Tablo");

-- The identity of this central database. Branches note the central records they have
-- posted under it, so that a rebuilt central database (whose keys start again) is
-- never mistaken for the old one.
CREATE TABLE IF NOT EXISTS "MerkezKimlik" (
    "Kimlik" text PRIMARY KEY
);
INSERT INTO "MerkezKimlik" ("Kimlik")
    SELECT md5(random()::text || clock_timestamp()::text)
    WHERE NOT EXISTS (SELECT 1 FROM "MerkezKimlik");
