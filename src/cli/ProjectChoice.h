#pragma once

#include <QString>

class ProjectList;
struct ProjectEntry;

// Naming a podcast of the project list on the command line, as "project" and "publish" do.
namespace project_choice {

// What the program's podcast selector shows for the entry: the feed's channel title, else the
// file name.
QString selectorTitle(const ProjectEntry& entry);

// Why the desktop program could not open FEED as a podcast of the list; empty when it can.
// Broken files would be dropped from the list, Atom and RSS 1.0 files are imported as new
// podcasts rather than opened.
QString unopenableReason(const QString& feed);

// The entry WORD names: its position in the list (from 0) or its title, matched exactly, else
// without regard to case when only one title matches so. -1 with the reason in *error.
int find(const ProjectList& list, const QString& word, QString* error);

} // namespace project_choice
