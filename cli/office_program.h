#pragma once

// The office parts of the command line (the office index on PostgreSQL:
// `index --to`, `search --index`; the search page: `serve`) live in a program
// of their own, plotsieve-office, beside plotsieve-cli in a build and in
// LIBEXECDIR/plotsieve when installed. Their client libraries (libpq and
// cpp-httplib, with Kerberos, LDAP, GnuTLS and OpenSSL behind them) take
// longer to load than a repeat search of a large tree takes to run, so
// plotsieve-cli does not load them: it hands such a command over to the
// office program, which runs every command the same way.

// Whether the office parts are in this program.
bool OfficePartsBuiltIn();

// Keeps main()'s arguments for HandOverToOfficeProgram.
void RememberProgramArguments(char** argv);

// Replaces this process by the office program, given the arguments main()
// got. Returns only when it cannot be started, after saying why on stderr:
// the exit status then (2).
int HandOverToOfficeProgram();
