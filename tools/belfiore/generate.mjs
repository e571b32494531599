#!/usr/bin/env node
// Writes checks/data/belfiore.tsv, the cadastral (Belfiore) codes of Italian
// municipalities and foreign states that the program compiles in, from the npm
// package @marketto/belfiore-connector-embedded at the version pinned below.
//
//   node tools/belfiore/generate.mjs [--from PACKAGE_FOLDER] [--out FILE]
//
// Without --from, npm installs the pinned version into a temporary folder, which
// is removed afterwards. With --from, the package is read from an unpacked copy
// (the folder holding its package.json).
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

const here = dirname(fileURLToPath(import.meta.url));
const args = process.argv.slice(2);
let from = null;
let out = resolve(here, "../../checks/data/belfiore.tsv");
for (let i = 0; i < args.length; ++i) {
    if (args[i] === "--from" && i + 1 < args.length) from = resolve(args[++i]);
    else if (args[i] === "--out" && i + 1 < args.length) out = resolve(args[++i]);
    else fail(`unknown argument "${args[i]}"; usage: generate.mjs [--from PACKAGE_FOLDER] [--out FILE]`);
}

function fail(message) {
    console.error(`generate.mjs: ${message}`);
    process.exit(1);
}

function loadPackage(folder) {
    const manifest = JSON.parse(readFileSync(join(folder, "package.json"), "utf8"));
    if (manifest.name !== PACKAGE || manifest.version !== VERSION)
        fail(`${folder} holds ${manifest.name} ${manifest.version}, not ${PACKAGE} ${VERSION}`);
    const source = readFileSync(join(folder, "asset", "cities-countries.ts"), "utf8");
    const match = /^\s*const\s+\w+\s*=\s*([\s\S]*?);?\s*export\s+default\s+\w+;?\s*$/.exec(source);
    if (!match) fail("asset/cities-countries.ts is no longer one exported object");
    return { manifest, table: JSON.parse(match[1]) };
}

let loaded;
if (from) {
    loaded = loadPackage(from);
} else {
    const temp = mkdtempSync(join(tmpdir(), "belfiore-"));
    try {
        const npm = process.platform === "win32" ? "npm.cmd" : "npm";
        execFileSync(npm, ["install", "--prefix", temp, "--no-save", "--no-package-lock", "--ignore-scripts",
                           "--no-audit", "--no-fund", `${PACKAGE}@${VERSION}`],
                     { stdio: ["ignore", "ignore", "inherit"], shell: process.platform === "win32" });
        loaded = loadPackage(join(temp, "node_modules", ...PACKAGE.split("/")));
    } finally {
        rmSync(temp, { recursive: true, force: true });
    }
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

const lines = [
    `# Belfiore codes from ${PACKAGE} ${VERSION} (tools/belfiore/generate.mjs): `
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
