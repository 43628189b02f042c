#pragma once

#include <string>
#include <string_view>

// The order in which a search walks a tree (search/folder_walk.h): depth
// first, each folder's entries in byte order of their names, a subfolder's
// drawings before the entries of its parent that follow it, and a folder
// that is itself named as a drawing after its own contents.
//
// The walk key of an absolute path gives that order when keys are compared
// byte by byte (shorter first where one is the start of the other), as
// PostgreSQL compares bytea: its components, each followed by 00, the last by
// 01 instead ("/a/b/c.dxf": "a" 00 "b" 00 "c.dxf" 01). A name holds neither 00
// nor "/", so:
//   - below a folder, every key starts with the folder's components and 00,
//     which sorts before 01 (the folder's own key) and before any name byte
//     (01-FF) that a later sibling whose name starts with the folder's
//     continues with;
//   - siblings whose names differ at a byte sort by that byte, as the
//     listing does; one whose name is the start of the other's ends in 00 or
//     01, where the other goes on with a name byte (01 ties, then the shorter
//     key is first).
// Empty components (a doubled "/") are left out.
std::string WalkKey(std::string_view absolutePath);

// The keys of everything below the folder `absolutePath`: from
// FolderKeyStart (its components, each followed by 00; empty for "/")
// up to, not including, FolderKeyEnd (the same with the last 00 made 01;
// empty for "/": no end).
std::string FolderKeyStart(std::string_view absolutePath);
std::string FolderKeyEnd(std::string_view absolutePath);
