#!/usr/bin/env python3
"""Generates the bundled demo installation of Tabrix (program folder, product folder, exports).

    python3 demo/make_demo.py            # rewrites demo/program, demo/product, demo/exports
    python3 demo/make_demo.py --out DIR  # writes the same three folders below DIR instead

Everything comes from this file: the country list, the word lists of names, streets and
cities, and a small seeded random generator of our own (no `random`, so the output does not
depend on the Python version). Every run writes byte-identical files; the table header date
is fixed (HEADER_DATE).

Standard library only.
"""

import argparse
import datetime
import os
import struct
import sys
from decimal import Decimal

# Last-update date written into every table header (year, month, day).
HEADER_DATE = (2025, 1, 15)

CRLF = "\r\n"


# ----------------------------------------------------------------------------------------------
# Deterministic random numbers (SplitMix64).
# ----------------------------------------------------------------------------------------------

class Rng:
    MASK = (1 << 64) - 1

    def __init__(self, seed):
        self.state = seed & self.MASK

    def next(self):
        self.state = (self.state + 0x9E3779B97F4A7C15) & self.MASK
        z = self.state
        z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & self.MASK
        z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & self.MASK
        return z ^ (z >> 31)

    def below(self, n):
        return self.next() % n

    def between(self, lo, hi):
        return lo + self.below(hi - lo + 1)

    def pick(self, seq):
        return seq[self.below(len(seq))]

    def chance(self, percent):
        return self.below(1000) < percent * 10

    def weighted(self, pairs):
        """pairs: [(weight, value), ...]"""
        total = sum(w for w, _ in pairs)
        r = self.below(total)
        for w, v in pairs:
            if r < w:
                return v
            r -= w
        raise AssertionError("unreachable")


# ----------------------------------------------------------------------------------------------
# DBF, FPT, DBT writers.
# ----------------------------------------------------------------------------------------------

class Field:
    def __init__(self, name, ftype, length, dec=0, flags=0):
        assert len(name) <= 10 and name == name.upper()
        self.name, self.type, self.length, self.dec, self.flags = name, ftype, length, dec, flags


class FptWriter:
    """FoxPro memo file: 512-byte header, big-endian block headers, type 1 = text."""

    def __init__(self, block_size=64):
        self.bs = block_size
        self.body = bytearray()
        self.next_block = (512 + block_size - 1) // block_size

    def add(self, data):
        block = self.next_block
        chunk = struct.pack(">II", 1, len(data)) + data
        chunk += b"\0" * ((-len(chunk)) % self.bs)
        self.body += chunk
        self.next_block += len(chunk) // self.bs
        return block

    def data(self):
        head = struct.pack(">IHH", self.next_block, 0, self.bs) + b"\0" * 504
        head += b"\0" * (self.first_offset() - 512)
        return head + bytes(self.body)

    def first_offset(self):
        return ((512 + self.bs - 1) // self.bs) * self.bs


class DbtWriter:
    """dBASE III memo file: 512-byte blocks, text ended by 0x1A 0x1A, header little-endian."""

    BS = 512

    def __init__(self):
        self.body = bytearray()
        self.next_block = 1

    def add(self, data):
        assert b"\x1a" not in data
        block = self.next_block
        chunk = data + b"\x1a\x1a"
        chunk += b"\0" * ((-len(chunk)) % self.BS)
        self.body += chunk
        self.next_block += len(chunk) // self.BS
        return block

    def data(self):
        head = bytearray(self.BS)
        struct.pack_into("<I", head, 0, self.next_block)
        head[16] = 0x03
        return bytes(head) + bytes(self.body)


def julian_day(d):
    return d.toordinal() + 1721425


def encode_value(field, value, codec, memo, vfp):
    """One field's bytes. value None means the blank form of the field."""
    t, n = field.type, field.length
    if t == "C":
        raw = (value or "").encode(codec)
        if len(raw) > n:
            raise ValueError("%s: %r longer than %d" % (field.name, value, n))
        return raw.ljust(n, b" ")
    if t == "N":
        if value is None:
            return b" " * n
        value = Decimal(value)
        text = format(value.quantize(Decimal(1).scaleb(-field.dec)), "f")
        if len(text) > n:
            raise ValueError("%s: %s wider than %d" % (field.name, text, n))
        return text.rjust(n).encode("ascii")
    if t == "D":
        return b" " * 8 if value is None else value.strftime("%Y%m%d").encode("ascii")
    if t == "L":
        return b" " if value is None else (b"T" if value else b"F")
    if t == "M":
        if not value:
            return b"\0\0\0\0" if vfp else b" " * 10
        block = memo.add(value.encode(codec))
        return struct.pack("<I", block) if vfp else str(block).rjust(10).encode("ascii")
    if t == "I":
        return struct.pack("<i", value or 0)
    if t == "Y":
        return struct.pack("<q", int(Decimal(value or 0) * 10000))
    if t == "B":
        return struct.pack("<d", float(value or 0))
    if t == "T":
        if value is None:
            return b"\0" * 8
        ms = ((value.hour * 60 + value.minute) * 60 + value.second) * 1000
        return struct.pack("<ii", julian_day(value.date()), ms)
    raise ValueError("type " + t)


def fit(fields, records):
    """Cuts character values to their field width, as an exporting program does."""
    out = []
    for deleted, values in records:
        values = [v[:f.length] if f.type == "C" and v else v for f, v in zip(fields, values)]
        out.append((deleted, values))
    return out


def build_dbf(version, cp_mark, fields, records, codec, memo=None, table_flags=0):
    """records: list of (deleted, [values]). Returns the bytes of the DBF file."""
    vfp = version in (0x30, 0x31, 0x32)
    rec_len = 1 + sum(f.length for f in fields)
    hdr_len = 32 + 32 * len(fields) + 1 + (263 if vfp else 0)
    out = bytearray()
    y, m, d = HEADER_DATE
    out += struct.pack("<BBBBIHH", version, y - 1900, m, d, len(records), hdr_len, rec_len)
    out += b"\0" * 16
    out += bytes([table_flags, cp_mark, 0, 0])
    pos = 1
    for f in fields:
        desc = bytearray(32)
        desc[0:len(f.name)] = f.name.encode("ascii")
        desc[11] = ord(f.type)
        struct.pack_into("<I", desc, 12, pos)
        desc[16] = f.length
        desc[17] = f.dec
        desc[18] = f.flags
        out += desc
        pos += f.length
    out += b"\r"
    if vfp:
        out += b"\0" * 263
    assert len(out) == hdr_len
    for deleted, values in records:
        assert len(values) == len(fields)
        rec = bytearray(b"*" if deleted else b" ")
        for f, v in zip(fields, values):
            rec += encode_value(f, v, codec, memo, vfp)
        assert len(rec) == rec_len
        out += rec
    out += b"\x1a"
    return bytes(out)


# ----------------------------------------------------------------------------------------------
# CDX compound index writer (compact B+-trees, 512-byte pages).
# ----------------------------------------------------------------------------------------------

PAGE = 512


def bit_length(n):
    return n.bit_length()


def numeric_key(value):
    """Index key of a numeric value: IEEE double, big-endian, order-preserving transform."""
    v = float(value)
    if v == 0:
        v = 0.0
    raw = bytearray(struct.pack(">d", v))
    if raw[0] & 0x80:
        raw = bytearray(b ^ 0xFF for b in raw)
    else:
        raw[0] ^= 0x80
    return bytes(raw)


class LeafFormat:
    def __init__(self, keylen, max_recno, min_bytes=3):
        self.k = keylen
        self.db = self.tb = bit_length(keylen)
        b = min_bytes
        while 8 * b - 2 * self.db < bit_length(max_recno):
            b += 1
        self.b = b
        self.rb = 8 * b - 2 * self.db


def key_parts(key, prev, fill, k):
    """(duplicate count, trailing count, stored bytes) of a key after the key prev.

    The duplicate count never reaches into the trailing fill bytes of either key: a reader may
    keep the previous key without its trailing fill, and copying from there would give wrong
    bytes. Taking fewer duplicate bytes only stores a few more; every reader decodes it alike."""
    trail = len(key) - len(key.rstrip(bytes([fill])))
    dup = 0
    if prev is not None:
        prev_len = len(prev.rstrip(bytes([fill])))
        limit = min(k - trail, prev_len)
        while dup < limit and key[dup] == prev[dup]:
            dup += 1
    return dup, trail, key[dup:k - trail]


def leaf_page(entries, fmt, fill, attr, left, right):
    page = bytearray(PAGE)
    struct.pack_into("<HHii", page, 0, attr, len(entries), left, right)
    tail = PAGE
    prev = None
    stored_total = 0
    for i, (key, rec) in enumerate(entries):
        dup, trail, stored = key_parts(key, prev, fill, fmt.k)
        assert rec < (1 << fmt.rb)
        v = rec | (dup << fmt.rb) | (trail << (fmt.rb + fmt.db))
        page[24 + i * fmt.b:24 + (i + 1) * fmt.b] = v.to_bytes(fmt.b, "little")
        tail -= len(stored)
        page[tail:tail + len(stored)] = stored
        stored_total += len(stored)
        prev = key
    free = 488 - len(entries) * fmt.b - stored_total
    assert free >= 0
    struct.pack_into("<HIBBBBBB", page, 12, free, (1 << fmt.rb) - 1, (1 << fmt.db) - 1,
                     (1 << fmt.tb) - 1, fmt.rb, fmt.db, fmt.tb, fmt.b)
    return page


def split_leaves(entries, fmt, fill):
    """Greedy packing of sorted (key, recno) entries into leaves."""
    leaves, cur, used, prev = [], [], 0, None
    for key, rec in entries:
        _, _, stored = key_parts(key, prev, fill, fmt.k)
        if cur and used + fmt.b + len(stored) > 488:
            leaves.append(cur)
            cur, used, prev = [], 0, None
            _, _, stored = key_parts(key, None, fill, fmt.k)
        cur.append((key, rec))
        used += fmt.b + len(stored)
        prev = key
    leaves.append(cur)
    return leaves


def build_tag_tree(entries, keylen, fill, base, max_recno, min_bytes=3):
    """Builds the pages of one tree starting at file offset base.
    Returns (pages bytes, root offset)."""
    fmt = LeafFormat(keylen, max_recno, min_bytes)
    entries = sorted(entries)
    leaves = split_leaves(entries, fmt, fill) if entries else [[]]
    offs = [base + i * PAGE for i in range(len(leaves))]
    pages = []
    single = len(leaves) == 1
    for i, leaf in enumerate(leaves):
        left = offs[i - 1] if i > 0 else -1
        right = offs[i + 1] if i + 1 < len(leaves) else -1
        pages.append(leaf_page(leaf, fmt, fill, 3 if single else 2, left, right))
    # level above: (last key, last recno, child offset) for every child
    level = [(leaf[-1][0], leaf[-1][1], off) for leaf, off in zip(leaves, offs)]
    next_off = base + len(leaves) * PAGE
    root = offs[0]
    cap = 500 // (keylen + 8)
    while len(level) > 1:
        groups = [level[i:i + cap] for i in range(0, len(level), cap)]
        goffs = [next_off + i * PAGE for i in range(len(groups))]
        is_root = len(groups) == 1
        for i, grp in enumerate(groups):
            page = bytearray(PAGE)
            left = goffs[i - 1] if i > 0 else -1
            right = goffs[i + 1] if i + 1 < len(groups) else -1
            struct.pack_into("<HHii", page, 0, 1 if is_root else 0, len(grp), left, right)
            p = 12
            for key, rec, child in grp:
                page[p:p + keylen] = key
                struct.pack_into(">II", page, p + keylen, rec, child)
                p += keylen + 8
            pages.append(page)
        level = [(grp[-1][0], grp[-1][1], off) for grp, off in zip(groups, goffs)]
        next_off += len(groups) * PAGE
        root = goffs[0]
    return b"".join(bytes(p) for p in pages), root


def cdx_header(root, keylen, options, expr="", for_expr=""):
    h = bytearray(1024)
    struct.pack_into("<iiiHBB", h, 0, root, 0, 0, keylen, options, 1)
    pool = expr.encode("ascii") + b"\0" + for_expr.encode("ascii") + b"\0"
    keypool = len(expr) + 1
    forpool = len(for_expr) + 1
    struct.pack_into("<HHHHH", h, 502, 0, keypool, forpool, 0, keypool)
    h[512:512 + len(pool)] = pool
    return h


def build_cdx(tags, max_recno):
    """tags: list of (name, expression, keylen, fill byte, [(key, recno), ...])."""
    body = bytearray()
    tag_offsets = []
    off = 1024 + PAGE  # file header, then the tag directory's root leaf
    for name, expr, keylen, fill, entries in tags:
        tag_offsets.append((name, off))
        pages, root = build_tag_tree(entries, keylen, fill, off + 1024, max_recno)
        body += cdx_header(root, keylen, 0x60, expr)
        body += pages
        off += 1024 + len(pages)
    directory = [(name.ljust(10).encode("ascii"), o) for name, o in tag_offsets]
    dpages, droot = build_tag_tree(directory, 10, 0x20, 1024, 0xFFFF)
    assert droot == 1024 and len(dpages) == PAGE
    out = cdx_header(1024, 10, 0xE0) + dpages + body
    assert len(out) == off
    return bytes(out)


# ----------------------------------------------------------------------------------------------
# Country table.
# ----------------------------------------------------------------------------------------------

# German name; ISO 3166 alpha-2; international dialling code; international vehicle code (empty
# where none is in use); flags: E = member of the European Union, N = numeric postal code whose
# first two digits name a region (P1A "N"), A = postal code kept in PLZ2 (MUSTER "A").
# The UN member states, the two observer states, Kosovo and Taiwan, then dependent territories.
COUNTRIES = """\
AFGHANISTAN;AF;+93;AFG;
ÄGYPTEN;EG;+20;ET;
ALBANIEN;AL;+355;AL;
ALGERIEN;DZ;+213;DZ;
ANDORRA;AD;+376;AND;
ANGOLA;AO;+244;ANG;
ANTIGUA UND BARBUDA;AG;+1268;;
ÄQUATORIALGUINEA;GQ;+240;;
ARGENTINIEN;AR;+54;RA;
ARMENIEN;AM;+374;AM;
ASERBAIDSCHAN;AZ;+994;AZ;
ÄTHIOPIEN;ET;+251;ETH;
AUSTRALIEN;AU;+61;AUS;
BAHAMAS;BS;+1242;BS;
BAHRAIN;BH;+973;BRN;
BANGLADESCH;BD;+880;BD;
BARBADOS;BB;+1246;BDS;
BELARUS;BY;+375;BY;
BELGIEN;BE;+32;B;EN
BELIZE;BZ;+501;BH;
BENIN;BJ;+229;DY;
BHUTAN;BT;+975;BHT;
BOLIVIEN;BO;+591;BOL;
BOSNIEN UND HERZEGOWINA;BA;+387;BIH;
BOTSUANA;BW;+267;RB;
BRASILIEN;BR;+55;BR;
BRUNEI;BN;+673;BRU;
BULGARIEN;BG;+359;BG;EN
BURKINA FASO;BF;+226;BF;
BURUNDI;BI;+257;RU;
CABO VERDE;CV;+238;CV;
CHILE;CL;+56;RCH;
CHINA;CN;+86;CHN;
COSTA RICA;CR;+506;CR;
DÄNEMARK;DK;+45;DK;EN
DEUTSCHLAND;DE;+49;D;EN
DOMINICA;DM;+1767;WD;
DOMINIKANISCHE REPUBLIK;DO;+1809;DOM;
DSCHIBUTI;DJ;+253;DJI;
ECUADOR;EC;+593;EC;
EL SALVADOR;SV;+503;ES;
ELFENBEINKÜSTE;CI;+225;CI;
ERITREA;ER;+291;ER;
ESTLAND;EE;+372;EST;E
ESWATINI;SZ;+268;SD;
FIDSCHI;FJ;+679;FJI;
FINNLAND;FI;+358;FIN;EN
FRANKREICH;FR;+33;F;EN
GABUN;GA;+241;G;
GAMBIA;GM;+220;WAG;
GEORGIEN;GE;+995;GE;
GHANA;GH;+233;GH;
GRENADA;GD;+1473;WG;
GRIECHENLAND;GR;+30;GR;E
GUATEMALA;GT;+502;GCA;
GUINEA;GN;+224;RG;
GUINEA-BISSAU;GW;+245;;
GUYANA;GY;+592;GUY;
HAITI;HT;+509;RH;
HONDURAS;HN;+504;HN;
INDIEN;IN;+91;IND;
INDONESIEN;ID;+62;RI;
IRAK;IQ;+964;IRQ;
IRAN;IR;+98;IR;
IRLAND;IE;+353;IRL;E
ISLAND;IS;+354;IS;
ISRAEL;IL;+972;IL;
ITALIEN;IT;+39;I;EN
JAMAIKA;JM;+1876;JA;
JAPAN;JP;+81;J;
JEMEN;YE;+967;;
JORDANIEN;JO;+962;HKJ;
KAMBODSCHA;KH;+855;K;
KAMERUN;CM;+237;CAM;
KANADA;CA;+1;CDN;
KASACHSTAN;KZ;+7;KZ;
KATAR;QA;+974;Q;
KENIA;KE;+254;EAK;
KIRGISISTAN;KG;+996;KS;
KIRIBATI;KI;+686;;
KOLUMBIEN;CO;+57;CO;
KOMOREN;KM;+269;COM;
DEMOKRATISCHE REPUBLIK KONGO;CD;+243;CGO;
REPUBLIK KONGO;CG;+242;RCB;
KROATIEN;HR;+385;HR;EN
KUBA;CU;+53;C;
KUWAIT;KW;+965;KWT;
LAOS;LA;+856;LAO;
LESOTHO;LS;+266;LS;
LETTLAND;LV;+371;LV;E
LIBANON;LB;+961;RL;
LIBERIA;LR;+231;LB;
LIBYEN;LY;+218;LAR;
LIECHTENSTEIN;LI;+423;FL;NA
LITAUEN;LT;+370;LT;E
LUXEMBURG;LU;+352;L;EN
MADAGASKAR;MG;+261;RM;
MALAWI;MW;+265;MW;
MALAYSIA;MY;+60;MAL;
MALEDIVEN;MV;+960;MV;
MALI;ML;+223;RMM;
MALTA;MT;+356;M;E
MAROKKO;MA;+212;MA;
MARSHALLINSELN;MH;+692;;
MAURETANIEN;MR;+222;RIM;
MAURITIUS;MU;+230;MS;
MEXIKO;MX;+52;MEX;
MIKRONESIEN;FM;+691;;
MOLDAU;MD;+373;MD;
MONACO;MC;+377;MC;
MONGOLEI;MN;+976;MGL;
MONTENEGRO;ME;+382;MNE;
MOSAMBIK;MZ;+258;MOC;
MYANMAR;MM;+95;MYA;
NAMIBIA;NA;+264;NAM;
NAURU;NR;+674;NAU;
NEPAL;NP;+977;NEP;
NEUSEELAND;NZ;+64;NZ;
NICARAGUA;NI;+505;NIC;
NIEDERLANDE;NL;+31;NL;E
NIGER;NE;+227;RN;
NIGERIA;NG;+234;WAN;
NORDKOREA;KP;+850;;
NORDMAZEDONIEN;MK;+389;NMK;
NORWEGEN;NO;+47;N;N
OMAN;OM;+968;OM;
ÖSTERREICH;AT;+43;A;ENA
PAKISTAN;PK;+92;PK;
PALAU;PW;+680;PAL;
PANAMA;PA;+507;PA;
PAPUA-NEUGUINEA;PG;+675;PNG;
PARAGUAY;PY;+595;PY;
PERU;PE;+51;PE;
PHILIPPINEN;PH;+63;RP;
POLEN;PL;+48;PL;E
PORTUGAL;PT;+351;P;E
RUANDA;RW;+250;RWA;
RUMÄNIEN;RO;+40;RO;E
RUSSLAND;RU;+7;RUS;
SALOMONEN;SB;+677;SOL;
SAMBIA;ZM;+260;Z;
SAMOA;WS;+685;WS;
SAN MARINO;SM;+378;RSM;
SÃO TOMÉ UND PRÍNCIPE;ST;+239;STP;
SAUDI-ARABIEN;SA;+966;KSA;
SCHWEDEN;SE;+46;S;EN
SCHWEIZ;CH;+41;CH;NA
SENEGAL;SN;+221;SN;
SERBIEN;RS;+381;SRB;
SEYCHELLEN;SC;+248;SY;
SIERRA LEONE;SL;+232;WAL;
SIMBABWE;ZW;+263;ZW;
SINGAPUR;SG;+65;SGP;
SLOWAKEI;SK;+421;SK;E
SLOWENIEN;SI;+386;SLO;EN
SOMALIA;SO;+252;SO;
SPANIEN;ES;+34;E;EN
SRI LANKA;LK;+94;CL;
ST. KITTS UND NEVIS;KN;+1869;KAN;
ST. LUCIA;LC;+1758;WL;
ST. VINCENT UND DIE GRENADINEN;VC;+1784;WV;
SÜDAFRIKA;ZA;+27;ZA;
SUDAN;SD;+249;SUD;
SÜDKOREA;KR;+82;ROK;
SÜDSUDAN;SS;+211;;
SURINAME;SR;+597;SME;
SYRIEN;SY;+963;SYR;
TADSCHIKISTAN;TJ;+992;TJ;
TANSANIA;TZ;+255;EAT;
THAILAND;TH;+66;T;
TIMOR-LESTE;TL;+670;TL;
TOGO;TG;+228;TG;
TONGA;TO;+676;TO;
TRINIDAD UND TOBAGO;TT;+1868;TT;
TSCHAD;TD;+235;TCH;
TSCHECHIEN;CZ;+420;CZ;E
TUNESIEN;TN;+216;TN;
TÜRKEI;TR;+90;TR;N
TURKMENISTAN;TM;+993;TM;
TUVALU;TV;+688;TUV;
UGANDA;UG;+256;EAU;
UKRAINE;UA;+380;UA;
UNGARN;HU;+36;H;EN
URUGUAY;UY;+598;ROU;
USBEKISTAN;UZ;+998;UZ;
VANUATU;VU;+678;VAN;
VENEZUELA;VE;+58;YV;
VEREINIGTE ARABISCHE EMIRATE;AE;+971;UAE;
VEREINIGTE STAATEN;US;+1;USA;
VEREINIGTES KÖNIGREICH;GB;+44;UK;
VIETNAM;VN;+84;VN;
ZENTRALAFRIKANISCHE REPUBLIK;CF;+236;RCA;
ZYPERN;CY;+357;CY;E
VATIKANSTADT;VA;+39;V;
PALÄSTINENSISCHE GEBIETE;PS;+970;;
KOSOVO;XK;+383;RKS;
TAIWAN;TW;+886;RC;
ÅLANDINSELN;AX;+358;AX;
AMERIKANISCH-SAMOA;AS;+1684;;
AMERIKANISCHE JUNGFERNINSELN;VI;+1340;;
ANGUILLA;AI;+1264;;
ARUBA;AW;+297;;
BERMUDA;BM;+1441;;
BRITISCHE JUNGFERNINSELN;VG;+1284;BVI;
COOKINSELN;CK;+682;;
CURAÇAO;CW;+599;;
FALKLANDINSELN;FK;+500;;
FÄRÖER;FO;+298;FO;
FRANZÖSISCH-GUAYANA;GF;+594;F;
FRANZÖSISCH-POLYNESIEN;PF;+689;F;
GIBRALTAR;GI;+350;GBZ;
GRÖNLAND;GL;+299;;
GUADELOUPE;GP;+590;F;
GUAM;GU;+1671;;
GUERNSEY;GG;+44;GBG;
HONGKONG;HK;+852;HK;
INSEL MAN;IM;+44;GBM;
JERSEY;JE;+44;GBJ;
KAIMANINSELN;KY;+1345;;
MACAU;MO;+853;;
MARTINIQUE;MQ;+596;F;
MAYOTTE;YT;+262;F;
MONTSERRAT;MS;+1664;;
NEUKALEDONIEN;NC;+687;F;
NÖRDLICHE MARIANEN;MP;+1670;;
PUERTO RICO;PR;+1787;;
RÉUNION;RE;+262;F;
SINT MAARTEN;SX;+1721;;
ST. HELENA;SH;+290;;
ST. PIERRE UND MIQUELON;PM;+508;F;
TURKS- UND CAICOSINSELN;TC;+1649;;
WALLIS UND FUTUNA;WF;+681;F;
WESTSAHARA;EH;+212;;
"""

UN_MEMBERS = 193


def german_sort_key(name):
    """DIN 5007 variant 1: an umlaut or accented letter sorts like its base letter."""
    base = str.maketrans("ÄÖÜÅÃÉÍÇ", "AOUAAEIC")
    return (name.translate(base), name)


def country_rows():
    rows = []
    for line in COUNTRIES.splitlines():
        name, iso, dial, kfz, flags = line.split(";")
        assert name == name.upper() and len(name) <= 30, name
        rows.append((name, iso, dial, kfz, flags))
    names = [r[0] for r in rows]
    assert len(set(names)) == len(names)
    assert len(set(r[1] for r in rows)) == len(rows)
    # DEUTSCHLAND first, then alphabetical in German order.
    rows.sort(key=lambda r: (r[0] != "DEUTSCHLAND", german_sort_key(r[0])))
    return rows


def make_land():
    fields = [
        Field("LANDN", "C", 30),
        Field("MUSTER", "C", 1),
        Field("P1A", "C", 1),
        Field("KURZ", "C", 2),
        Field("KFZ", "C", 3),
        Field("VORWAHL", "C", 6),
        Field("EU", "L", 1),
    ]
    records = []
    for name, iso, dial, kfz, flags in country_rows():
        records.append((False, [name, "A" if "A" in flags else "", "N" if "N" in flags else "",
                               iso, kfz, dial, "E" in flags]))
    eu = sum(1 for _, v in records if v[6])
    assert eu == 27, eu
    return fields, records


# ----------------------------------------------------------------------------------------------
# Customer table template and companion table.
# ----------------------------------------------------------------------------------------------

def make_kndstneu_fields():
    f = [
        Field("KUNDEN_NR", "N", 8, 0),   # 1
        Field("FIRMA", "C", 40),         # 2  Name
        Field("ZUSATZ", "C", 40),        # 3
        Field("PLZ", "C", 10),           # 4  PLZ
        Field("PLZ2", "C", 10),          # 5  PLZ2 (Postfach-PLZ, Auslands-PLZ)
        Field("ORT", "C", 40),           # 6  Ort
        Field("STRASSE", "C", 40),       # 7  Straße
        Field("TELEFON", "C", 25),       # 8  Telefon
        Field("TELEX", "C", 25),         # 9  slot label from QZX.ini key telex (Mobil)
        Field("TELEFAX", "C", 25),       # 10 Telefax
        Field("BTX", "C", 60),           # 11 slot label from QZX.ini key btx (E-Mail)
        Field("POSTFACH", "C", 20),      # 12 Postfach
        Field("KDGRUPPE", "C", 10),      # 13 customer group (Adrim2)
        Field("VERTRETER", "C", 10),     # 14
        Field("RABATT", "N", 5, 2),      # 15
        Field("ZAHLZIEL", "N", 3, 0),    # 16
        Field("SKONTO", "N", 5, 2),      # 17
        Field("KREDLIMIT", "N", 12, 2),  # 18
        Field("LETZTKAUF", "D", 8),      # 19
        Field("UMSATZ", "N", 12, 2),     # 20
        Field("MWSTPFL", "L", 1),        # 21
        Field("SPERRE", "L", 1),         # 22
        Field("USTIDNR", "C", 20),       # 23
        Field("SP1", "C", 40),           # 24 Sortbegriff
        Field("NAME2", "C", 40),         # 25 Name2
        Field("SP2", "C", 25),           # 26
        Field("BRANCHE", "C", 30),       # 27
        Field("LAND", "C", 30),          # 28 Land
        Field("SPRACHE", "C", 2),        # 29
        Field("ANREDE", "C", 20),        # 30 Anrede
        Field("FSORT", "C", 40),
        Field("SP3", "C", 25),
        Field("BANK", "C", 30),
        Field("IBAN", "C", 34),
        Field("BIC", "C", 11),
        Field("ANWEND1", "C", 10),
        Field("ANWEND2", "C", 10),
        Field("ANLDAT", "D", 8),
        Field("AENDDAT", "D", 8),
        Field("BEMERKUNG", "C", 50),
        Field("NOTIZ", "M", 10),
    ]
    required = {1: "KUNDEN_NR", 2: "FIRMA", 4: "PLZ", 5: "PLZ2", 6: "ORT", 8: "TELEFON",
                24: "SP1", 28: "LAND"}
    for pos, name in required.items():
        assert f[pos - 1].name == name
    return f


def make_adrim2():
    fields = [
        Field("GRUPPE", "C", 10),
        Field("BEZEICHNG", "C", 40),
        Field("RABATT", "N", 5, 2),
        Field("ZAHLZIEL", "N", 3, 0),
        Field("AKTIV", "L", 1),
        Field("ANLDAT", "D", 8),
    ]
    d = datetime.date
    rows = [
        ("HANDEL", "Groß- und Einzelhandel", "3.00", 30, True, d(1998, 3, 2)),
        ("HANDWERK", "Handwerksbetriebe", "2.00", 14, True, d(1998, 3, 2)),
        ("INDUSTRIE", "Industrie und Fertigung", "4.50", 45, True, d(1999, 11, 15)),
        ("PRIVAT", "Privatkunden", "0.00", 0, True, d(1998, 3, 2)),
        ("BEHÖRDE", "Behörden und öffentliche Einrichtungen", "0.00", 30, True,
         d(2003, 6, 30)),
        ("EXPORT", "Auslandskunden außerhalb der EU", "0.00", 60, False,
         d(2007, 1, 8)),
    ]
    return fields, [(False, list(r)) for r in rows]


# ----------------------------------------------------------------------------------------------
# Word lists for the exports.
# ----------------------------------------------------------------------------------------------

MALE = ["Thomas", "Michael", "Andreas", "Stefan", "Klaus", "Jürgen", "Peter", "Wolfgang", "Uwe",
        "Frank", "Markus", "Matthias", "Jörg", "Günter", "Horst", "Dieter", "Ralf", "Bernd",
        "Hans-Peter", "Karl-Heinz", "Sören", "Björn", "Lukas", "Jonas", "Felix", "Maximilian",
        "Tobias", "Sebastian", "Florian", "Jens", "Ömer", "René", "François"]
FEMALE = ["Sabine", "Petra", "Monika", "Andrea", "Claudia", "Susanne", "Gabriele", "Birgit",
          "Ursula", "Renate", "Jutta", "Heike", "Anja", "Katrin", "Nicole", "Stefanie", "Julia",
          "Lena", "Jana", "Bärbel", "Käthe", "Anna-Lena", "Maren", "Doris", "Gisela", "Elke",
          "Zoë", "Hélène", "Ayse", "Mira"]
LAST = ["Müller", "Schmidt", "Schneider", "Fischer", "Weber", "Meyer", "Wagner", "Becker",
        "Schulz", "Hoffmann", "Schäfer", "Koch", "Bauer", "Richter", "Klein", "Wolf", "Schröder",
        "Neumann", "Schwarz", "Zimmermann", "Braun", "Krüger", "Hofmann", "Hartmann", "Lange",
        "Schmitt", "Werner", "Schmitz", "Krause", "Meier", "Lehmann", "Köhler", "Herrmann",
        "König", "Walter", "Mayer", "Huber", "Kaiser", "Fuchs", "Peters", "Scholz", "Möller",
        "Weiß", "Jung", "Hahn", "Vogel", "Keller", "Günther", "Berger", "Roth", "Böhm", "Krämer",
        "Jäger", "Groß", "Seidel", "Brandt", "Schreiber", "Kühn", "Engel", "Pfeiffer", "Straßer",
        "Grüßner", "Özdemir", "Yilmaz", "Nowak", "Kowalski", "Gruber", "Pichler", "Moser",
        "Steiner", "Wyss", "Brunner", "Janssen", "de Vries", "van den Berg", "Dubois",
        "Rossi", "Müller-Lüdenscheidt", "Fußbroich", "Oßwald", "Maaß"]
TRADES = ["Bäckerei", "Metzgerei", "Autohaus", "Elektro", "Sanitär", "Heizungsbau",
          "Malerbetrieb", "Dachdeckerei", "Schreinerei", "Tischlerei", "Steuerberatung",
          "Blumenhaus", "Getränkehandel", "Reisebüro", "Druckerei", "Brauerei", "Weingut",
          "Gärtnerei", "Friseursalon", "Ingenieurbüro", "Architekturbüro", "Spedition",
          "Baustoffe", "Stahlbau", "Kfz-Werkstatt", "Optik", "Hörgeräte", "Sanitätshaus",
          "Fahrschule", "Hausverwaltung"]
BRANDS = ["Nordlicht", "Alpenblick", "Sonnenschein", "Rheinland", "Schwarzwald", "Ostsee",
          "Bodensee", "Weserbergland", "Frankenwald", "Donautal", "Eifel", "Spreewald"]
SUFFIXES = ["Handels", "Vertriebs", "Bau", "Technik", "Logistik", "Service", "Medien",
            "Immobilien", "Metallbau", "Kunststoff"]

# Real central postal codes and their cities, with the country the address belongs to.
CITIES = {
    "D": [("10115", "Berlin"), ("10785", "Berlin"), ("20095", "Hamburg"), ("80331", "München"),
          ("81675", "München"), ("50667", "Köln"), ("60311", "Frankfurt am Main"),
          ("70173", "Stuttgart"), ("40213", "Düsseldorf"), ("44135", "Dortmund"),
          ("45127", "Essen"), ("04109", "Leipzig"), ("28195", "Bremen"), ("01067", "Dresden"),
          ("30159", "Hannover"), ("90402", "Nürnberg"), ("47051", "Duisburg"),
          ("44787", "Bochum"), ("42103", "Wuppertal"), ("33602", "Bielefeld"),
          ("53111", "Bonn"), ("48143", "Münster"), ("76133", "Karlsruhe"),
          ("68159", "Mannheim"), ("86150", "Augsburg"), ("65183", "Wiesbaden"),
          ("38100", "Braunschweig"), ("24103", "Kiel"), ("09111", "Chemnitz"),
          ("06108", "Halle (Saale)"), ("39104", "Magdeburg"), ("79098", "Freiburg im Breisgau"),
          ("23552", "Lübeck"), ("99084", "Erfurt"), ("18055", "Rostock"), ("55116", "Mainz"),
          ("34117", "Kassel"), ("66111", "Saarbrücken"), ("93047", "Regensburg"),
          ("97070", "Würzburg"), ("89073", "Ulm"), ("61348", "Bad Homburg v. d. Höhe"),
          ("83646", "Bad Tölz"), ("87435", "Kempten (Allgäu)"), ("14467", "Potsdam"),
          ("19053", "Schwerin"), ("07743", "Jena"), ("37073", "Göttingen"),
          ("49074", "Osnabrück"), ("26122", "Oldenburg"), ("94032", "Passau"),
          ("78462", "Konstanz"), ("72070", "Tübingen"), ("35037", "Marburg"),
          ("54290", "Trier"), ("82467", "Garmisch-Partenkirchen"), ("25980", "Sylt")],
    "A": [("1010", "Wien"), ("1030", "Wien"), ("1100", "Wien"), ("8010", "Graz"),
          ("4020", "Linz"), ("5020", "Salzburg"), ("6020", "Innsbruck"),
          ("9020", "Klagenfurt am Wörthersee"), ("3100", "St. Pölten"), ("6900", "Bregenz"),
          ("7000", "Eisenstadt"), ("4600", "Wels"), ("9500", "Villach"),
          ("2700", "Wiener Neustadt"), ("6850", "Dornbirn")],
    "CH": [("8001", "Zürich"), ("3011", "Bern"), ("4051", "Basel"), ("1201", "Genève"),
           ("1003", "Lausanne"), ("6003", "Luzern"), ("9000", "St. Gallen"),
           ("8400", "Winterthur"), ("6900", "Lugano"), ("5000", "Aarau"), ("7000", "Chur"),
           ("8200", "Schaffhausen"), ("2502", "Biel/Bienne")],
    "FL": [("9490", "Vaduz"), ("9494", "Schaan")],
    "NL": [("1012 JS", "Amsterdam"), ("3011 AD", "Rotterdam"), ("2511 BT", "Den Haag"),
           ("3511 LX", "Utrecht"), ("5611 AB", "Eindhoven"), ("6211 CK", "Maastricht")],
    "F": [("75001", "Paris"), ("67000", "Strasbourg"), ("69001", "Lyon"), ("13001", "Marseille"),
          ("68100", "Mulhouse"), ("57000", "Metz"), ("31000", "Toulouse")],
    "B": [("1000", "Bruxelles"), ("2000", "Antwerpen"), ("4700", "Eupen"), ("4780", "St. Vith")],
    "L": [("1111", "Luxembourg"), ("9010", "Ettelbruck")],
    "I": [("39100", "Bozen"), ("20121", "Milano"), ("38122", "Trento")],
    "DK": [("1050", "København K"), ("8000", "Aarhus C"), ("6200", "Aabenraa")],
    "PL": [("00-001", "Warszawa"), ("50-001", "Wroclaw"), ("80-001", "Gdansk")],
    "CZ": [("110 00", "Praha 1"), ("602 00", "Brno")],
}

# How the exports spell each country (weight, spelling). Empty text: no country given.
COUNTRY_SPELLINGS = {
    "D": [(30, "Deutschland"), (6, "deutschland"), (4, " Deutschland"), (5, "DEUTSCHLAND"),
          (5, "BRD"), (6, "D"), (4, "Germany"), (3, "DE"), (12, ""), (1, "Deutschland ")],
    "A": [(10, "Österreich"), (4, "A"), (4, "AT"), (2, "Austria"), (2, "ÖSTERREICH"),
          (2, "Oesterreich")],
    "CH": [(10, "Schweiz"), (5, "CH"), (2, "Suisse"), (2, "schweiz")],
    "FL": [(3, "Liechtenstein"), (2, "FL")],
    "NL": [(5, "Niederlande"), (4, "Holland"), (2, "NL"), (1, "Nederland")],
    "F": [(5, "Frankreich"), (4, "France"), (2, "F")],
    "B": [(4, "Belgien"), (2, "B"), (1, "Belgique")],
    "L": [(3, "Luxemburg"), (2, "L")],
    "I": [(3, "Italien"), (2, "I"), (2, "Italia"), (1, "Südtirol")],
    "DK": [(3, "Dänemark"), (2, "DK")],
    "PL": [(3, "Polen"), (2, "PL")],
    "CZ": [(2, "Tschechien"), (2, "Tschechische Republik"), (1, "CZ")],
}

COUNTRY_WEIGHTS = [(55, "D"), (12, "A"), (10, "CH"), (2, "FL"), (5, "NL"), (4, "F"), (3, "B"),
                   (2, "L"), (3, "I"), (2, "DK"), (2, "PL"), (2, "CZ")]

DIAL = {"D": "49", "A": "43", "CH": "41", "FL": "423", "NL": "31", "F": "33", "B": "32",
        "L": "352", "I": "39", "DK": "45", "PL": "48", "CZ": "420"}

FORMS = {"D": ["GmbH", "GmbH & Co. KG", "AG", "KG", "OHG", "e.K.", "GbR",
               "UG (haftungsbeschränkt)", "e.V."],
         "A": ["GmbH", "Ges.m.b.H.", "KG", "OG", "e.U."],
         "CH": ["AG", "GmbH", "Sàrl"], "FL": ["Anstalt", "AG"], "NL": ["B.V."],
         "F": ["S.A.R.L.", "SAS"], "B": ["BVBA", "SPRL"], "L": ["S.à r.l."],
         "I": ["S.r.l.", "S.p.A."], "DK": ["ApS", "A/S"], "PL": ["Sp. z o.o."],
         "CZ": ["s.r.o."]}

STREETS = {"D": ["Hauptstraße", "Bahnhofstraße", "Schulstraße", "Gartenstraße", "Dorfstraße",
                 "Bergstraße", "Kirchstraße", "Lindenstraße", "Goethestraße", "Schillerstraße",
                 "Waldstraße", "Ringstraße", "Am Markt", "Marktplatz", "Mühlenweg",
                 "Königsallee", "Friedrich-Ebert-Str.", "Kaiser-Wilhelm-Ring", "Industriestr.",
                 "Im Gewerbegebiet", "Hauptstr.", "Große Gasse", "Rosenweg", "An der Weißach"],
           "A": ["Mariahilfer Straße", "Hauptplatz", "Landstraßer Hauptstraße", "Herrengasse",
                 "Linzer Gasse", "Bahnhofstraße"],
           "CH": ["Bahnhofstrasse", "Seestrasse", "Hauptgasse", "Dorfstrasse", "Rue du Rhône"],
           "FL": ["Städtle", "Landstrasse"],
           "NL": ["Herengracht", "Coolsingel", "Stationsplein"],
           "F": ["Rue de la Paix", "Avenue Jean Jaurès", "Place Kléber"],
           "B": ["Rue Neuve", "Meir", "Klötzerbahn"],
           "L": ["Grand-Rue", "Avenue de la Gare"],
           "I": ["Via Roma", "Lauben", "Corso Italia"],
           "DK": ["Strøget", "Vestergade"],
           "PL": ["ul. Marszalkowska", "ul. Dluga"],
           "CZ": ["Vaclavske namesti", "Masarykova"]}

ANREDEN_PERSON = {"m": ["Herr", "Herrn", "Hr.", "herr", "Herr Dr.", "Herrn Prof. Dr."],
                  "w": ["Frau", "Frau", "Fr.", "frau", "Frau Dr.", "Frau Mag."]}
ANREDEN_FIRMA = ["Firma", "Fa.", "An die Firma", "", "Sehr geehrte Damen und Herren"]

REMARKS = ["Kunde seit 1990", "VIP", "nur per Vorkasse", "Mahnsperre!", "Rechnung per E-Mail",
           "bitte nicht anrufen", "Stammkunde", "Lieferung nur vormittags", "Skonto 3%",
           "Ansprechpartner wechselt häufig", "Adresse ungeprüft", "Zahlt immer pünktlich",
           "Doppelt erfasst? siehe KD 1045", "Rabatt lt. Vertrag 12,5 %",
           "Öffnungszeiten Mo-Fr 8-17 Uhr", "Großkunde Süd"]

NOTE_LINES = ["Erstkontakt auf der Messe in Köln.", "Rückruf erbeten wegen Angebot Nr. 4711.",
              "Lieferadresse weicht ab: Hintereingang benutzen.",
              "Zahlungsziel 30 Tage netto, 2 % Skonto bei Zahlung in 10 Tagen.",
              "Möchte Katalog 2025 per Post.", "Ansprechpartnerin: Frau Weiß (Einkauf)",
              "Reklamation vom März erledigt.", "Außendienst: Herr Groß, Tel. 0171 2345678",
              "Schlüssel liegt beim Nachbarn.", "Bitte immer Lieferschein beilegen!",
              "Geschäftsführer: Dipl.-Ing. Jürgen Maaß", "Über Empfehlung von Müller & Söhne.",
              "Keine Werbung zusenden.", "Betriebsurlaub im August (3 Wochen).",
              "Öffnungszeiten: Mo-Do 7:30-16:00, Fr bis 12:00"]


# ----------------------------------------------------------------------------------------------
# Random customer pool.
# ----------------------------------------------------------------------------------------------

ASCII_FOLD = str.maketrans({"ä": "ae", "ö": "oe", "ü": "ue", "ß": "ss", "Ä": "Ae", "Ö": "Oe",
                            "Ü": "Ue", "é": "e", "è": "e", "ë": "e", "ç": "c", "à": "a",
                            "ø": "o", "ş": "s", " ": "", "&": "", ".": "", "(": "", ")": "",
                            "/": "", "'": ""})


def mail_local(text):
    return text.lower().translate(ASCII_FOLD)


class Customer:
    """One customer of the pools from which the exports take their records."""


def make_customer(rng, number):
    c = Customer()
    c.number = number
    c.country = rng.weighted(COUNTRY_WEIGHTS)
    c.plz, c.city = rng.pick(CITIES[c.country])
    c.country_text = rng.weighted(COUNTRY_SPELLINGS[c.country])
    c.is_firm = rng.chance(60)
    c.sex = rng.pick("mw")
    c.first = rng.pick(MALE if c.sex == "m" else FEMALE)
    c.last = rng.pick(LAST)
    c.mail_word = c.last
    if c.is_firm:
        form = rng.pick(FORMS[c.country])
        style = rng.below(6)
        if style == 0:
            c.name = "%s %s" % (rng.pick(TRADES), c.last)
        elif style == 1:
            c.name = "%s %s" % (c.last, form)
        elif style == 2:
            c.name = "%s & Söhne %s" % (c.last, form)
        elif style == 3:
            brand, suffix = rng.pick(BRANDS), rng.pick(SUFFIXES)
            c.name = "%s %s %s" % (brand, suffix, form)
            c.mail_word = brand + "-" + suffix
        elif style == 4:
            c.name = "%s %s %s" % (rng.pick(TRADES), c.last, form)
        else:
            c.name = "%s %s" % (c.first, c.last)
            c.name = "%s %s %s" % (rng.pick(TRADES), c.name, "e.K.")
        c.name2 = rng.pick(["", "", "z. Hd. %s %s" % (c.first, c.last),
                            "Inh. %s %s" % (c.first, c.last), "Abt. Einkauf", "Filiale %s" % c.city,
                            "Geschäftsleitung"])
        c.anrede = rng.pick(ANREDEN_FIRMA)
    else:
        c.name = rng.pick(["%s, %s", "%s %s", "%s %s", "%s %s"]) % (
            (c.last, c.first) if rng.chance(40) else (c.first, c.last))
        c.name2 = rng.pick(["", "", "", "c/o %s" % rng.pick(LAST), "Praxis"])
        c.anrede = rng.pick(ANREDEN_PERSON[c.sex])
    street = rng.pick(STREETS[c.country])
    no = rng.weighted([(6, str(rng.between(1, 180))), (2, "%d%s" % (rng.between(1, 80),
                                                                     rng.pick("abc"))),
                       (1, "%d-%d" % ((lambda a: (a, a + 2))(rng.between(1, 120)))),
                       (1, "%d %s" % (rng.between(1, 40), rng.pick("ab")))])
    c.street = "%s %s" % (street, no)
    if rng.chance(4):
        c.street = "Postfach %d" % rng.between(1000, 99999)
    if rng.chance(4):
        c.street = c.street.upper()
    c.postbox = "Postfach %d" % rng.between(100, 9999) if rng.chance(8) else ""
    dial = DIAL[c.country]
    area = rng.between(20, 999)
    sub = rng.between(10000, 9999999)
    c.phone = rng.weighted([
        (5, "0%d / %d" % (area, sub)), (3, "0%d-%d" % (area, sub)),
        (3, "+%s %d %d" % (dial, area, sub)), (2, "(0%d) %d" % (area, sub)),
        (1, "00%s-%d-%d" % (dial, area, sub)), (1, "+%s (0)%d %d-0" % (dial, area, sub)),
        (2, "")])
    c.fax = "" if rng.chance(45) else "0%d / %d-99" % (area, sub // 10)
    c.mobile = "" if rng.chance(60) else "01%d %d" % (rng.between(51, 79),
                                                     rng.between(1000000, 9999999))
    if rng.chance(20):
        c.email = ""
    else:
        if c.is_firm:
            dom = mail_local(c.mail_word) + rng.pick(["-gmbh", "", "-online", ""])
            c.email = "%s@%s.%s" % (rng.pick(["info", "kontakt", "office", "buchhaltung"]), dom,
                                    {"A": "at", "CH": "ch", "NL": "nl", "F": "fr"}.get(
                                        c.country, "de"))
        else:
            c.email = "%s.%s@%s" % (mail_local(c.first), mail_local(c.last),
                                    rng.pick(["t-online.de", "web.de", "gmx.de", "gmx.at",
                                              "bluewin.ch", "posteo.de"]))
        if rng.chance(5):
            c.email = c.email.upper()
        if rng.chance(3):
            c.email = c.email.replace("@", "(at)")
    cents = rng.weighted([(70, rng.between(0, 2500000 if not c.is_firm else 25000000)),
                          (10, -rng.between(100, 900000)), (10, 0),
                          (10 if c.is_firm else 0, rng.between(25000000, 999999999))])
    c.turnover = Decimal(cents).scaleb(-2)
    if c.is_firm or rng.chance(30):
        c.birth = None
    else:
        c.birth = datetime.date(1930, 1, 1) + datetime.timedelta(days=rng.between(0, 27000))
    c.since = datetime.date(1989, 1, 1) + datetime.timedelta(days=rng.between(0, 12800))
    c.active = rng.chance(80)
    c.remark = "" if rng.chance(50) else rng.pick(REMARKS)
    c.note = make_note(rng) if rng.chance(55) else ""
    c.deleted = rng.chance(5)
    return c


def make_note(rng):
    """A multi-line note with every kind of line break and indentation found in old exports."""
    lines = [rng.pick(NOTE_LINES) for _ in range(rng.between(1, 5))]
    out = lines[0]
    for line in lines[1:]:
        brk = rng.weighted([(5, "\r\n"), (2, "\n"), (2, "\r"), (1, "\r\n\r\n")])
        lead = rng.weighted([(6, ""), (2, "  "), (1, "    "), (1, "\t")])
        out += brk + lead + line
    if rng.chance(20):
        out += "   "
    if rng.chance(25):
        out += "\r\n"
    return out


LONG_NOTE = CRLF.join([
    "Gesprächsnotizen (aus dem alten System übernommen):",
    "  12.03.1998  Erstbesuch, Interesse an Wartungsvertrag.",
    "  02.04.1998  Angebot geschickt, Rückfrage wegen Preisen.",
    "    -> Preisnachlass 5 % zugesagt (Hr. Groß)",
    "  17.09.2001  Umzug in neue Halle, neue Lieferadresse siehe unten.",
] + ["  %02d.%02d.%d  Wartung durchgeführt, keine Mängel. Nächster Termin in 12 Monaten."
     % (1 + (i * 7) % 28, 1 + (i * 5) % 12, 2002 + i) for i in range(18)] + [
    "Lieferadresse:\rHalle 3, Tor 2\rAnlieferung nur bis 14 Uhr",
    "Ende der Notizen."])


def make_pool(seed, count, first_number):
    rng = Rng(seed)
    pool, number = [], first_number
    for _ in range(count):
        pool.append(make_customer(rng, number))
        number += rng.between(1, 3)
    return rng, pool


# ----------------------------------------------------------------------------------------------
# Export a: KUNDEN.DBF/.FPT/.CDX (FoxPro 2.x, code page 850, production CDX).
# ----------------------------------------------------------------------------------------------

def make_kunden():
    rng, pool = make_pool(1001, 250, 1001)
    fields = [
        Field("KDNR", "N", 6, 0),
        Field("ANREDE", "C", 30),
        Field("NAME", "C", 40),
        Field("NAME2", "C", 40),
        Field("STRASSE", "C", 40),
        Field("PLZ", "C", 8),
        Field("ORT", "C", 35),
        Field("LAND", "C", 25),
        Field("TELEFON", "C", 25),
        Field("FAX", "C", 25),
        Field("HANDY", "C", 20),
        Field("EMAIL", "C", 50),
        Field("UMSATZ", "N", 12, 2),
        Field("GEBDAT", "D", 8),
        Field("KDSEIT", "D", 8),
        Field("AKTIV", "L", 1),
        Field("BEMERK", "C", 60),
        Field("NOTIZ", "M", 10),
    ]
    records = []
    shown = set()
    for i, c in enumerate(pool):
        name, name2, plz, ort = c.name, c.name2, c.plz, c.city
        # Postal code inside the city on some records, in the forms found in old data.
        form = i % 23
        if form == 3:
            plz, ort = "", "%s %s" % (c.plz, c.city)
        elif form == 8:
            plz, ort = "", "%s-%s %s" % (c.country, c.plz, c.city)
        elif form == 15:
            ort = "%s %s" % (c.plz, c.city)
        # The classic cases, each on the first record of its country that has that form.
        deleted = c.deleted or i in (2, 3)
        showcase = {(3, "D"): "10115 Berlin", (8, "D"): "D-80331 München",
                    (8, "A"): "A-1010 Wien", (3, "CH"): "CH-8001 Zürich",
                    (8, "CH"): "CH-8001 Zürich"}.get((form, c.country))
        if showcase and showcase not in shown and not deleted:
            shown.add(showcase)
            ort = showcase
        # Names: blank, blank with a second name, leading blanks, lower case, a TAB.
        if i % 41 == 7:
            name, name2 = "", ""
        elif i % 37 == 5:
            name, name2 = "", name
        elif i % 29 == 11:
            name = "  " + name
        elif i % 31 == 13:
            name = name.lower()
        if i == 100:
            name = "\t"
            name2 = c.name
        note = c.note
        if i == 17:
            note = LONG_NOTE
        elif i == 18:
            note = "  \r\n\t\r\n  "   # only white space
        records.append((deleted, [
            c.number, c.anrede, name[:40], name2[:40], c.street[:40], plz, ort[:35],
            c.country_text, c.phone, c.fax, c.mobile, c.email[:50],
            None if i % 53 == 9 else c.turnover, c.birth,
            None if i % 19 == 4 else c.since, c.active, c.remark, note]))
    # Two records share a customer number (duplicate keys in the KDNR tag).
    records[61][1][0] = records[60][1][0]
    records[201][1][0] = records[200][1][0]
    return fields, fit(fields, records)


def kunden_tags(fields, records):
    idx = {f.name: i for i, f in enumerate(fields)}

    def char_key(name, width):
        return [((values[idx[name]] or "").encode("cp850").ljust(width, b" "), n)
                for n, (_, values) in enumerate(records, 1)]

    kdnr = [(numeric_key(values[idx["KDNR"]] or 0), n)
            for n, (_, values) in enumerate(records, 1)]
    return [
        ("KDNR", "KDNR", 8, 0x00, kdnr),
        ("NAME", "NAME", 40, 0x20, char_key("NAME", 40)),
        ("PLZ", "PLZ", 8, 0x20, char_key("PLZ", 8)),
    ]


# ----------------------------------------------------------------------------------------------
# Export b: ADRESSEN.DBF/.DBT (dBASE III with memo, code page not marked = 850).
# ----------------------------------------------------------------------------------------------

def make_adressen():
    rng, pool = make_pool(2002, 150, 20001)
    fields = [
        Field("KDNR", "C", 8),
        Field("ANREDE", "C", 30),
        Field("NAME1", "C", 50),
        Field("NAME2", "C", 50),
        Field("STR", "C", 35),
        Field("ORT", "C", 45),
        Field("LAND", "C", 20),
        Field("TEL", "C", 25),
        Field("FAX", "C", 25),
        Field("EMAIL", "C", 80),
        Field("ERFASST", "D", 8),
        Field("UMSATZ", "N", 12, 2),
        Field("NEWSLETTER", "L", 1),
        Field("BEMERK", "C", 80),
        Field("NOTIZEN", "M", 10),
    ]
    records = []
    for i, c in enumerate(pool):
        # This export has no postal code field: the city carries it, in every spelling.
        f = i % 11
        pfx = {"D": "D", "A": "A", "CH": "CH", "FL": "FL", "NL": "NL", "F": "F", "B": "B",
               "L": "L", "I": "I", "DK": "DK", "PL": "PL", "CZ": "CZ"}[c.country]
        if f in (0, 1, 2, 3, 4):
            ort = "%s %s" % (c.plz, c.city)
        elif f in (5, 6):
            ort = "%s-%s %s" % (pfx, c.plz, c.city)
        elif f == 7:
            ort = "%s %s %s" % (pfx, c.plz, c.city)
        elif f == 8:
            ort = "  %s  %s" % (c.plz, c.city)
        elif f == 9:
            ort = c.city
        else:
            ort = "%s %s" % (c.plz, c.city.upper())
        name, name2 = c.name, c.name2
        if i % 33 == 4:
            name, name2 = "", ""
        elif i % 27 == 10:
            name, name2 = "", c.name
        # A few long names (longer than the 40 characters of the customer table).
        if i % 25 == 6:
            name = (c.name + " Niederlassung " + c.city)[:50]
        remark = c.remark
        if i % 9 == 2:
            remark = "Kunde seit %d; Rabattgruppe %s; Zahlungsweise: Lastschrift (SEPA)" % (
                c.since.year, rng.pick("ABC"))
        note = c.note
        if i == 12:
            note = LONG_NOTE
        records.append((c.deleted or i in (5, 140), [
            "K-%05d" % c.number if i % 17 else "%d" % c.number, c.anrede, name, name2,
            c.street[:35], ort, c.country_text[:20], c.phone, c.fax, c.email,
            None if i % 13 == 6 else c.since, c.turnover if i % 21 != 3 else None,
            c.active, remark, note]))
    return fields, fit(fields, records)


# ----------------------------------------------------------------------------------------------
# Export c: VFPKUNDE.DBF/.FPT (Visual FoxPro, Windows-1252).
# ----------------------------------------------------------------------------------------------

def make_vfpkunde():
    rng, pool = make_pool(3003, 80, 500)
    fields = [
        Field("ID", "I", 4, 0, 0x04),
        Field("FIRMA", "C", 60),
        Field("ZUSATZ", "C", 40),
        Field("STRASSE", "C", 50),
        Field("PLZ", "C", 10),
        Field("ORT", "C", 50),
        Field("LAND", "C", 30),
        Field("TELEFON", "C", 30),
        Field("MOBIL", "C", 30),
        Field("EMAIL", "C", 60),
        Field("KREDIT", "Y", 8, 4, 0x04),
        Field("UMSATZ", "B", 8, 2, 0x04),
        Field("ANGELEGT", "T", 8, 0, 0x04),
        Field("GEAENDERT", "T", 8, 0, 0x04),
        Field("GEBURTSTAG", "D", 8),
        Field("STAMMKUNDE", "L", 1),
        Field("BEMERKUNG", "M", 4),
    ]
    records = []
    for i, c in enumerate(pool):
        firma, zusatz = c.name, c.name2
        if i % 19 == 3:
            firma, zusatz = "", ""
        elif i % 23 == 8:
            firma, zusatz = "", c.name
        plz, ort = c.plz, c.city
        if i % 10 == 4:
            plz, ort = "", "%s %s" % (c.plz, c.city)
        created = datetime.datetime(2004, 1, 1) + datetime.timedelta(
            seconds=rng.between(0, 20 * 365 * 86400))
        changed = created + datetime.timedelta(seconds=rng.between(0, 3 * 365 * 86400))
        credit = Decimal(rng.pick([0, 500, 1000, 2500, 5000, 10000, 25000]))
        if i % 13 == 5:
            credit = Decimal(-rng.between(1, 99999)).scaleb(-2)
        note = c.note
        if i % 5 == 1:
            note = (note + CRLF if note else "") + rng.pick([
                "Preise inkl. 19 % MwSt. – Lieferung frei Haus ab 250 €.",
                "„Premium“-Kunde, Rabatt 7,5 % auf alles außer Tiernahrung.",
                "Rechnungsanschrift <> Lieferanschrift • bitte prüfen",
                "Bestellung per Fax bevorzugt… Rückfragen an Hrn. Weiß."])
        if i == 9:
            note = LONG_NOTE
        records.append((c.deleted or i == 30, [
            i + 1, firma, zusatz, c.street, plz, ort, c.country_text, c.phone, c.mobile,
            c.email, credit, float(c.turnover), created, changed, c.birth,
            c.active, note]))
    return fields, fit(fields, records)


# ----------------------------------------------------------------------------------------------
# Export d: ANSI1252.DBF (dBASE III without memo, ANSI mark 0x57, Windows-1252).
# ----------------------------------------------------------------------------------------------

def make_ansi1252():
    rng, pool = make_pool(4004, 60, 70000)
    fields = [
        Field("KUNDENNR", "N", 8, 0),
        Field("NAME", "C", 30),
        Field("VORNAME", "C", 25),
        Field("FIRMA", "C", 40),
        Field("STRASSE", "C", 40),
        Field("PLZ", "C", 7),
        Field("ORT", "C", 40),
        Field("LAND", "C", 25),
        Field("TEL", "C", 20),
        Field("GEBDAT", "D", 8),
        Field("UMSATZ", "N", 12, 2),
        Field("AKTIV", "L", 1),
        Field("BEMERK", "C", 100),
    ]
    records = []
    for i, c in enumerate(pool):
        if c.is_firm:
            name, vorname, firma = c.last, c.first if i % 3 else "", c.name
        else:
            name, vorname, firma = c.last, c.first, ""
        if i % 17 == 4:
            name, vorname, firma = "", "", ""
        elif i % 13 == 7:
            name, vorname = "", ""
            firma = firma or "%s %s" % (c.first, c.last)
        plz, ort = c.plz, c.city
        if i % 9 == 5:
            plz, ort = "", "%s-%s %s" % ({"D": "D", "A": "A"}.get(c.country, c.country),
                                         c.plz, c.city)
        remark = c.remark
        if i % 6 == 1:
            remark = (remark + "; " if remark else "") + rng.pick([
                "Preis 12,50 € zzgl. MwSt.", "„Altkunde“ aus Übernahme 2009",
                "Lieferung – wenn möglich – vormittags", "Grüße an Fr. Müller"])
        records.append((c.deleted or i in (20, 21), [
            c.number, name, vorname, firma, c.street, plz[:7], ort, c.country_text,
            c.phone[:20], c.birth, c.turnover, c.active, remark]))
    return fields, fit(fields, records)


# ----------------------------------------------------------------------------------------------
# Settings files.
# ----------------------------------------------------------------------------------------------

def ini(lines):
    return (CRLF.join(lines) + CRLF).encode("cp1252")


PRODUCT_PATH_PLACEHOLDER = "@PRODUKTPFAD@"

# Drive tested for a remote Advantage server at start-up; only its first two characters count.
SYSDIR = "C:\\VELARTO\\"


class Table:
    """One generated table: where it goes, how it is built, and its intended content."""

    def __init__(self, rel, version, cp_mark, codec, fields, records, memo=None, memo_rel=None,
                 table_flags=0, tags=None, cdx_rel=None):
        self.rel, self.version, self.cp_mark, self.codec = rel, version, cp_mark, codec
        self.fields, self.records = fields, records
        self.memo, self.memo_rel = memo, memo_rel
        self.table_flags, self.tags, self.cdx_rel = table_flags, tags, cdx_rel


def tables():
    """Every table of the demo installation, in the order they are written."""
    out = []
    fields, records = make_land()
    out.append(Table("program/LAND.qzf", 0x03, 0x02, "cp850", fields, records))
    # The template declares a memo field but comes without a memo file: the program makes it.
    out.append(Table("program/Kndstneu.qzf", 0xF5, 0x02, "cp850", make_kndstneu_fields(), []))
    fields, records = make_adrim2()
    out.append(Table("program/Adrim2.qzf", 0x03, 0x02, "cp850", fields, records))

    fields, records = make_kunden()
    out.append(Table("exports/KUNDEN.DBF", 0xF5, 0x02, "cp850", fields, records,
                     memo=FptWriter(64), memo_rel="exports/KUNDEN.FPT", table_flags=0x01,
                     tags=kunden_tags(fields, records), cdx_rel="exports/KUNDEN.CDX"))
    fields, records = make_adressen()
    out.append(Table("exports/ADRESSEN.DBF", 0x83, 0x00, "cp850", fields, records,
                     memo=DbtWriter(), memo_rel="exports/ADRESSEN.DBT"))
    fields, records = make_vfpkunde()
    out.append(Table("exports/VFPKUNDE.DBF", 0x30, 0x03, "cp1252", fields, records,
                     memo=FptWriter(64), memo_rel="exports/VFPKUNDE.FPT", table_flags=0x02))
    fields, records = make_ansi1252()
    out.append(Table("exports/ANSI1252.DBF", 0x03, 0x57, "cp1252", fields, records))
    return out


def settings_files():
    return {
        "program/QZX.INI": ini(["[Directory]", "SysDir=" + SYSDIR]),
        "product/QZX.ini": ini(["[Velarto]", "telex=Mobil", "btx=E-Mail"]),
        "product/QZ.ini": ini(["[Velarto]", "PATH=" + PRODUCT_PATH_PLACEHOLDER]),
    }


def build_all():
    """Returns {relative path: file bytes} for the whole demo installation."""
    files = settings_files()
    for t in tables():
        files[t.rel] = build_dbf(t.version, t.cp_mark, t.fields, t.records, t.codec, t.memo,
                                 t.table_flags)
        if t.memo_rel:
            files[t.memo_rel] = t.memo.data()
        if t.cdx_rel:
            files[t.cdx_rel] = build_cdx(t.tags, len(t.records))
    return files


def write_all(root):
    files = build_all()
    for rel, data in sorted(files.items()):
        path = os.path.join(root, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as fh:
            fh.write(data)
    return files


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", default=os.path.dirname(os.path.abspath(__file__)),
                    help="folder that receives program/, product/ and exports/")
    args = ap.parse_args(argv)
    files = write_all(args.out)
    for rel, data in sorted(files.items()):
        print("%-24s %8d" % (rel, len(data)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
