// Reads a Jet file with the mdb-reader package and prints what it sees, so
// tests can compare our files with an independent reader.
//
//   node mdb_reader_dump.mjs FILE [TABLE] [--json]
//
// Line format (default): "password HEX|-", "tables HEX,HEX...", then for TABLE
// "rowcount N", "columns HEX,HEX..." and one line per row: cells separated
// by spaces, each "-" for NULL or "=" followed by the UTF-8 bytes in hex.
// --json prints the same as one JSON object, for people.
import { readFileSync } from "node:fs";
import { createRequire } from "node:module";
import path from "node:path";

const args = process.argv.slice(2).filter((a) => !a.startsWith("--"));
const json = process.argv.includes("--json");
const [file, tableName] = args;
if (!file) {
    console.error("usage: mdb_reader_dump.mjs FILE [TABLE] [--json]");
    process.exit(2);
}

// The package lives in .cache/node of the checkout unless NODE_PATH says otherwise.
const here = path.dirname(new URL(import.meta.url).pathname);
const require = createRequire(path.join(here, "../../../.cache/node/package.json"));
let MDBReader;
try {
    MDBReader = (await import(require.resolve("mdb-reader"))).default;
} catch {
    MDBReader = (await import("mdb-reader")).default;
}

const hex = (s) => Buffer.from(s, "utf8").toString("hex");
const reader = new MDBReader(readFileSync(file));
const out = { password: reader.getPassword(), tables: reader.getTableNames() };
if (tableName) {
    const table = reader.getTable(tableName);
    out.rowCount = table.rowCount;
    out.columns = table.getColumnNames();
    out.rows = table.getData().map((row) => out.columns.map((c) => row[c]));
}
if (json) {
    console.log(JSON.stringify(out));
} else {
    const lines = [];
    lines.push("password " + (out.password === null ? "-" : hex(out.password)));
    lines.push("tables " + out.tables.map(hex).join(","));
    if (tableName) {
        lines.push("rowcount " + out.rowCount);
        lines.push("columns " + out.columns.map(hex).join(","));
        for (const row of out.rows) {
            lines.push(row.map((v) => (v === null || v === undefined ? "-" : "=" + hex(String(v)))).join(" "));
        }
    }
    process.stdout.write(lines.join("\n") + "\n");
}
