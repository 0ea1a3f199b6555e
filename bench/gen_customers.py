#!/usr/bin/env python3
"""Writes the benchmark workload: a customer export as a FoxPro 2.x table with its memo file.

    python3 bench/gen_customers.py OUT.DBF [-n RECORDS] [--seed SEED]

OUT.DBF gets OUT.FPT beside it (same base name, extension in the case of OUT's). The same
arguments give byte-identical files on every machine: the values come from a small generator of
our own (SplitMix64), not from the random module, and the header date is fixed.

The table (version byte 0xF5, code page mark 0x02 = 850, no index) has the fields of a typical
customer export, record length 430:

    KDNR N(8)  NAME C(40)  NAME2 C(40)  STRASSE C(40)  PLZ C(10)  ORT C(40)  LAND C(30)
    TELEFON C(25)  TELEFAX C(25)  EMAIL C(60)  ANREDE C(20)  BEMERK C(60)  GEBDAT D
    UMSATZ N(12,2)  AKTIV L  NOTIZ M

Text is code page 850 with umlauts and sharp s. About 3 % of the records are deleted, about 1 %
have a blank NAME; the other fields are blank in the proportions such exports show (fax numbers
mostly, birthdays often). LAND is written the many ways people type a country. AKTIV is T or F,
sometimes blank or '?'. About half of the records have a memo of one to a dozen dated lines
(CR LF between them), some long enough to span several 64-byte blocks.

Format facts used here (docs/formats/dbf.md, docs/formats/memo.md): 32-byte header with the
record count and header/record lengths little-endian; one 32-byte descriptor per field with its
displacement in the record; 0x0D after the descriptors; records with a leading deletion flag
(' ' or '*'); 0x1A after the last record. The memo file starts with a 512-byte header holding
the next free block (big-endian) and the block size (64, big-endian); each memo is a block
header (type 1 = text, length, both big-endian) followed by the text, padded to whole blocks;
the record holds the first block number as ten right-aligned digits.
"""
import argparse
import os
import struct
import sys

BLOCK = 64
HEADER_DATE = (2025 - 1900, 1, 2)  # fixed, so that the files do not depend on the day

FIELDS = [  # name, type, length, decimals
    ('KDNR', 'N', 8, 0), ('NAME', 'C', 40, 0), ('NAME2', 'C', 40, 0), ('STRASSE', 'C', 40, 0),
    ('PLZ', 'C', 10, 0), ('ORT', 'C', 40, 0), ('LAND', 'C', 30, 0), ('TELEFON', 'C', 25, 0),
    ('TELEFAX', 'C', 25, 0), ('EMAIL', 'C', 60, 0), ('ANREDE', 'C', 20, 0),
    ('BEMERK', 'C', 60, 0), ('GEBDAT', 'D', 8, 0), ('UMSATZ', 'N', 12, 2), ('AKTIV', 'L', 1, 0),
    ('NOTIZ', 'M', 10, 0),
]
RECORD_LENGTH = 1 + sum(f[2] for f in FIELDS)
MASK = (1 << 64) - 1


class Dice:
    """SplitMix64: small, fast enough, and the same numbers everywhere."""

    def __init__(self, seed):
        self.state = (seed * 0x9E3779B97F4A7C15 + 0x2545F4914F6CDD1D) & MASK

    def next(self):
        self.state = (self.state + 0x9E3779B97F4A7C15) & MASK
        z = self.state
        z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & MASK
        z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & MASK
        return z ^ (z >> 31)

    def below(self, n):
        return self.next() % n

    def pick(self, items):
        return items[self.next() % len(items)]

    def percent(self, p):
        """True in p of 100 draws (p may have decimals)."""
        return self.next() % 10000 < int(p * 100)


# ---- word material (invented) --------------------------------------------------------------

FIRST = ('Anna Bernd Carla Dieter Elke Frank Gisela Hans Ilse Jörg Karin Lothar Monika Norbert '
         'Otto Petra Rüdiger Sabine Thomas Ursula Volker Waltraud Xaver Yvonne Zoltán Ömer '
         'Änne Bärbel Günther Jürgen Käthe Björn Sören Maximilian Hülya Dörthe Kübra Ludwig '
         'Franziska Mehmet Erika Klaus Renate Wolfgang Gertrud Heinz Brigitte Manfred Helga '
         'Rainer Ingrid Uwe Jutta Andreas Marion Stefan Heike Michael Gabriele Matthias').split()
LAST = ('Müller Schäfer Bäcker Köhler Weiß Groß Hölzl Schütz Jäger Krämer Fuß Böhm Löffler '
        'Wagner Becker Hoffmann Schulz Koch Richter Klein Wolf Neumann Schwarz Zimmermann '
        'Braun Krüger Hofmann Hartmann Lange Schmitt Werner Krause Meier Lehmann Schmid '
        'Schulze Maier Köster Günther Frank Berger Kaiser Fuchs Peters Lang Scholz Möller '
        'Weiß Jung Hahn Schubert Vogel Friedrich Keller Günzel Roth Beck Lorenz Baumann '
        'Franke Albrecht Schuster Simon Ludwig Böttcher Kühn Pfeiffer Voß Sauer Ößwein').split()
TRADES = ('Bäckerei', 'Metzgerei', 'Autohaus', 'Gärtnerei', 'Elektro', 'Sanitär',
          'Schreinerei', 'Malerbetrieb', 'Apotheke am Markt', 'Blumen', 'Optik', 'Reisebüro',
          'Steuerbüro', 'Druckerei', 'Getränke', 'Fahrschule', 'Friseursalon', 'Zahnarztpraxis')
FORMS = ('GmbH', 'GmbH & Co. KG', 'KG', 'OHG', 'e.K.', 'AG', 'GbR', 'e.V.')
STREETS = ('Hauptstraße', 'Bahnhofstr.', 'Kirchweg', 'Am Mühlbach', 'Lindenallee', 'Gartenstraße',
           'Schloßplatz', 'Friedhofstr.', 'Zur Höhe', 'Mozartstraße', 'Goethestr.',
           'Rosenweg', 'Industriering', 'An der Mühle', 'Königsallee', 'Marktplatz',
           'Birkenstraße', 'Schulgasse', 'Feldweg', 'Tannenstr.', 'Große Straße',
           'Kleiner Anger', 'Wiesengrund', 'Uferstraße', 'Dorfstr.', 'Burgstraße')
DE_CITIES = (('10115', 'Berlin'), ('20095', 'Hamburg'), ('80331', 'München'),
             ('50667', 'Köln'), ('60311', 'Frankfurt am Main'), ('70173', 'Stuttgart'),
             ('40213', 'Düsseldorf'), ('04109', 'Leipzig'), ('01067', 'Dresden'),
             ('30159', 'Hannover'), ('90402', 'Nürnberg'), ('47051', 'Duisburg'),
             ('44135', 'Dortmund'), ('45127', 'Essen'), ('28195', 'Bremen'),
             ('97070', 'Würzburg'), ('79098', 'Freiburg im Breisgau'), ('93047', 'Regensburg'),
             ('37073', 'Göttingen'), ('66111', 'Saarbrücken'), ('24103', 'Kiel'),
             ('18055', 'Rostock'), ('99084', 'Erfurt'), ('06108', 'Halle (Saale)'),
             ('86150', 'Augsburg'), ('89073', 'Ulm'), ('88045', 'Friedrichshafen'),
             ('83022', 'Rosenheim'), ('36037', 'Fulda'), ('49074', 'Osnabrück'))
AT_CITIES = (('1010', 'Wien'), ('8010', 'Graz'), ('4020', 'Linz'), ('5020', 'Salzburg'),
             ('6020', 'Innsbruck'), ('9020', 'Klagenfurt'))
CH_CITIES = (('8001', 'Zürich'), ('3011', 'Bern'), ('4051', 'Basel'), ('1201', 'Genève'),
             ('6003', 'Luzern'), ('9000', 'St. Gallen'))
# How exports spell the country: the same country many ways, sometimes not at all.
LAND_DE = ('Deutschland', 'Deutschland', 'Deutschland', 'DEUTSCHLAND', 'deutschland', 'D', 'DE',
           'BRD', 'Germany', 'Bundesrepublik Deutschland', 'Deutschl.', '')
LAND_AT = ('Österreich', 'ÖSTERREICH', 'Oesterreich', 'A', 'AT', 'Austria', '')
LAND_CH = ('Schweiz', 'SCHWEIZ', 'CH', 'Suisse', 'Switzerland', 'Schweiz/Suisse', '')
LAND_OTHER = (('1000', 'Bruxelles', 'Belgien'), ('2511', 'Den Haag', 'Niederlande'),
              ('75001', 'Paris', 'Frankreich'), ('00184', 'Roma', 'Italien'),
              ('1050', 'København', 'Dänemark'), ('9490', 'Vaduz', 'Liechtenstein'),
              ('L-1111', 'Luxembourg', 'Luxemburg'), ('00-001', 'Warszawa', 'Polen'))
SALUTATIONS = ('Herr', 'Frau', 'Herrn', 'Firma', 'Familie', 'Herr Dr.', 'Frau Dr.', 'Eheleute',
               'Herr Prof.', 'An', 'Fa.')
REMARKS = ('Stammkunde', 'Zahlt nur bar', 'Rabatt 5 % vereinbart', 'Nur vormittags liefern',
           'Lieferung an Nachbarn erlaubt', 'Rechnung per Post', 'Kein Newsletter',
           'Ansprechpartner wechselt häufig', 'Großkunde, bitte bevorzugt', 'Mahnstufe 1',
           'Adresse ungeprüft', 'Übernahme aus Kartei 1998', 'Skonto 2 % bei 10 Tagen',
           'Telefonisch schwer erreichbar', 'Bitte vorher anrufen', 'Hund im Hof!',
           'Lastschrift erteilt', 'Öffnungszeiten beachten', 'Messekontakt', 'Weihnachtskarte')
NOTE_LINES = ('Angebot über {n} Stück verschickt.', 'Rückruf erbeten wegen Reklamation.',
              'Zahlung eingegangen, Vorgang erledigt.', 'Neue Bankverbindung mitgeteilt.',
              'Termin vor Ort vereinbart, {n} Uhr.', 'Katalog {y} zugesandt.',
              'Beschwerde über Lieferzeit, Gutschrift {n},00 EUR.',
              'Möchte künftig nur per E-Mail informiert werden.',
              'Ware beschädigt angekommen; Ersatz geschickt.', 'Umzug angekündigt für Frühjahr.',
              'Preisliste {y} übergeben.', 'Hat Interesse an Wartungsvertrag.',
              'Sprach mit Frau Großmann aus der Buchhaltung.', 'Konto ausgeglichen.',
              'Mahnung storniert (Überweisung kreuzte sich).',
              'Lieferschein fehlte, nachgereicht.',
              'Kunde wünscht Rechnung in zweifacher Ausführung.',
              'Gesprächsnotiz: zufrieden, will nachbestellen.')
MAIL_HOSTS = ('example.de', 'example.com', 'example.org', 'beispiel.de', 'example.at',
              'example.ch')


def ascii_mail(text):
    table = {'ä': 'ae', 'ö': 'oe', 'ü': 'ue', 'Ä': 'Ae', 'Ö': 'Oe', 'Ü': 'Ue', 'ß': 'ss',
             'á': 'a', 'é': 'e', 'ó': 'o'}
    return ''.join(table.get(c, c) for c in text).lower().replace(' ', '')


def char_field(text, length):
    data = text.encode('cp850')[:length]
    return data + b' ' * (length - len(data))


def num_field(text, length):
    return text.rjust(length).encode('ascii')[:length]


class Pools:
    """Field values made once (as stored bytes) and drawn per record: fast, and varied enough."""

    def __init__(self, dice):
        d = dice
        people, companies, seconds = [], [], []
        for _ in range(3000):
            first, last = d.pick(FIRST), d.pick(LAST)
            people.append((first, last, '%s %s' % (first, last) if d.percent(70)
                           else '%s, %s' % (last, first)))
        for _ in range(2000):
            last = d.pick(LAST)
            k = d.below(4)
            if k == 0:
                name = '%s %s' % (d.pick(TRADES), last)
            elif k == 1:
                name = '%s %s' % (last, d.pick(FORMS))
            elif k == 2:
                name = '%s & %s %s' % (last, d.pick(LAST), d.pick(FORMS))
            else:
                name = '%s %s %s' % (d.pick(TRADES), last, d.pick(FORMS))
            companies.append((d.pick(FIRST), last, name))
        for _ in range(800):
            k = d.below(5)
            if k == 0:
                seconds.append('z. Hd. %s %s' % (d.pick(('Herrn', 'Frau')), d.pick(LAST)))
            elif k == 1:
                seconds.append('Inh. %s %s' % (d.pick(FIRST), d.pick(LAST)))
            elif k == 2:
                seconds.append(d.pick(('Abteilung Einkauf', 'Buchhaltung', 'Geschäftsleitung',
                                       'Lager / Warenannahme', 'Verwaltung')))
            elif k == 3:
                seconds.append('c/o %s %s' % (d.pick(FIRST), d.pick(LAST)))
            else:
                seconds.append('%s %s' % (d.pick(FIRST), d.pick(LAST)))
        self.people = [(a, b, char_field(n, 40)) for a, b, n in people]
        self.companies = [(a, b, char_field(n, 40)) for a, b, n in companies]
        self.name2 = [char_field(s, 40) for s in seconds]
        self.streets = []
        for _ in range(3000):
            number = '%d%s' % (1 + d.below(180), d.pick(('', '', '', '', 'a', 'b', ' a', '-3')))
            self.streets.append(char_field('%s %s' % (d.pick(STREETS), number), 40))
        self.places = []  # (PLZ, ORT, LAND) as stored bytes
        for _ in range(4000):
            k = d.below(100)
            if k < 82:
                plz, ort = d.pick(DE_CITIES)
                plz = '%05d' % ((int(plz) + d.below(40)) % 100000)
                land = d.pick(LAND_DE)
            elif k < 90:
                plz, ort = d.pick(AT_CITIES)
                land = d.pick(LAND_AT)
            elif k < 97:
                plz, ort = d.pick(CH_CITIES)
                land = d.pick(LAND_CH)
            else:
                plz, ort, land = d.pick(LAND_OTHER)
            if d.percent(8):
                plz = ''
            self.places.append((char_field(plz, 10), char_field(ort, 40), char_field(land, 30)))
        self.phones = []
        for _ in range(3000):
            area = '0%d' % (30 + d.below(9900))
            local = '%d' % (100000 + d.below(9900000))
            k = d.below(5)
            text = ('%s/%s' % (area, local) if k == 0 else '%s %s' % (area, local) if k == 1
                    else '+49 %s %s' % (area[1:], local) if k == 2
                    else '%s-%s' % (area, local) if k == 3 else '(%s) %s' % (area, local))
            self.phones.append(char_field(text, 25))
        self.salutations = [char_field(s, 20) for s in SALUTATIONS]
        self.remarks = [char_field(r, 60) for r in REMARKS]
        self.blank = {n: b' ' * n for n in (8, 10, 20, 25, 30, 40, 60)}
        self.memos = []
        for _ in range(1500):
            lines = []
            for _ in range(1 + d.below(7) + (d.below(12) if d.percent(15) else 0)):
                line = d.pick(NOTE_LINES).format(n=1 + d.below(500), y=1995 + d.below(30))
                if d.percent(70):
                    line = '%02d.%02d.%04d: %s' % (1 + d.below(28), 1 + d.below(12),
                                                   1995 + d.below(30), line)
                lines.append(line)
            self.memos.append('\r\n'.join(lines).encode('cp850'))


def header_bytes(count):
    header_length = 32 + 32 * len(FIELDS) + 1
    out = bytearray(struct.pack('<B3BIHH', 0xF5, *HEADER_DATE, count, header_length,
                                RECORD_LENGTH))
    out += bytes(16)          # reserved, transaction, encryption, multi-user: all zero
    out += bytes([0x00, 0x02, 0, 0])  # no structural index; code page 850
    displacement = 1
    for name, kind, length, decimals in FIELDS:
        out += name.encode('ascii').ljust(11, b'\0') + kind.encode('ascii')
        out += struct.pack('<IBB', displacement, length, decimals) + bytes(14)
        displacement += length
    out += b'\x0d'
    return bytes(out)


def write(dbf_path, fpt_path, count, seed):
    dice = Dice(seed)
    pools = Pools(dice)
    blank = pools.blank
    next_block = 512 // BLOCK
    deleted = 0
    with open(dbf_path, 'wb') as dbf, open(fpt_path, 'wb') as fpt:
        dbf.write(header_bytes(count))
        fpt.write(bytes(512))  # the header, written again at the end
        batch = []
        for i in range(count):
            d = dice
            flag = b' '
            if d.percent(3):
                flag = b'*'
                deleted += 1
            company = d.percent(45)
            first, last, name = d.pick(pools.companies if company else pools.people)
            if d.percent(1):
                name = blank[40]
            name2 = d.pick(pools.name2) if d.percent(30) else blank[40]
            plz, ort, land = d.pick(pools.places)
            phone = d.pick(pools.phones) if not d.percent(15) else blank[25]
            fax = d.pick(pools.phones) if d.percent(30) else blank[25]
            if d.percent(65):
                mail = char_field('%s.%s@%s' % (ascii_mail(first), ascii_mail(last),
                                                d.pick(MAIL_HOSTS)) if d.percent(75) else
                                  'info@%s.%s' % (ascii_mail(last), d.pick(('de', 'com', 'at'))),
                                  60)
            else:
                mail = blank[60]
            if company:
                salutation = pools.salutations[3] if d.percent(80) else blank[20]
            else:
                salutation = d.pick(pools.salutations) if not d.percent(6) else blank[20]
            remark = d.pick(pools.remarks) if d.percent(70) else blank[60]
            if d.percent(25):
                born = blank[8]
            else:
                born = b'%04d%02d%02d' % (1925 + d.below(82), 1 + d.below(12), 1 + d.below(28))
            cents = d.below(25_000_000) if not d.percent(2) else -d.below(100_000)
            turnover = num_field('%s%d.%02d' % ('-' if cents < 0 else '', abs(cents) // 100,
                                                abs(cents) % 100), 12)
            k = d.below(100)
            active = b'T' if k < 86 else b'F' if k < 96 else b' ' if k < 99 else b'?'
            if d.percent(54):
                text = d.pick(pools.memos)
                pointer = num_field('%d' % next_block, 10)
                used = (8 + len(text) + BLOCK - 1) // BLOCK
                fpt.write(struct.pack('>II', 1, len(text)) + text +
                          bytes(used * BLOCK - 8 - len(text)))
                next_block += used
            else:
                pointer = blank[10]
            batch.append(b''.join((flag, num_field('%d' % (10001 + i), 8), name, name2,
                                   d.pick(pools.streets), plz, ort, land, phone, fax, mail,
                                   salutation, remark, born, turnover, active, pointer)))
            if len(batch) == 4096:
                dbf.write(b''.join(batch))
                batch = []
        dbf.write(b''.join(batch))
        dbf.write(b'\x1a')
        fpt.seek(0)
        fpt.write(struct.pack('>IHH', next_block, 0, BLOCK))
    return deleted


def main():
    ap = argparse.ArgumentParser(description='Customer export (FoxPro 2 DBF + FPT) for the '
                                 'benchmarks; same arguments, same bytes.')
    ap.add_argument('out', help='the table to write (.dbf); its .fpt goes beside it')
    ap.add_argument('-n', '--records', type=int, default=100000)
    ap.add_argument('--seed', type=int, default=1)
    a = ap.parse_args()
    if a.records < 0:
        ap.error('--records must not be negative')
    base, ext = os.path.splitext(a.out)
    fpt = base + ('.FPT' if ext.isupper() and ext else '.fpt')
    deleted = write(a.out, fpt, a.records, a.seed)
    print('%s: %d records (%d deleted) of %d bytes, memo file %s %d bytes' % (
        a.out, a.records, deleted, RECORD_LENGTH, fpt, os.path.getsize(fpt)))
    return 0


if __name__ == '__main__':
    sys.exit(main())
