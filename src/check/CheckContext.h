#pragma once

#include "check/ElementTree.h"
#include "check/FeedChecker.h"

// What the rule families share while they run over one feed: the tree, the channel and its
// items, and where findings go. Internal to the check library.
class CheckContext {
public:
    CheckContext(const ElementTree& tree, const CheckOptions& options, CheckResult& result);

    const ElementTree& tree;
    const CheckOptions& options;
    int channel = -1;  // the first channel element, -1 when there is none
    QList<int> items;  // its item elements; item number = position + 1

    bool wants(unsigned group) const { return (options.groups & group) != 0; }
    // A finding at the element's start tag (the file's start when element is -1).
    void add(const char* rule, int element, int item, const QString& message);
    // A finding about a missing element: at its parent's start tag, named after the element
    // that is missing, so that the user is taken to the field to fill in.
    void addMissing(const char* rule, int parent, int item, const QString& missing, const QString& message);
    void addAt(const char* rule, int line, int column, int item, const QString& element,
               const QString& message);
    void addLink(CheckLink::Kind kind, int element, int item, const QString& url);

private:
    CheckResult& m_result;
};

// The rule families, in the order they run.
namespace checkrules {
void runRss(CheckContext& context);
void runApple(CheckContext& context);
void runPodcast(CheckContext& context);
// Empty when the text is an RFC 822 date, else which part is wrong.
QString checkRfc822Date(const QString& text);
} // namespace checkrules

namespace checkrules {
// Why Apple would refuse the cover picture in these bytes, in one sentence; empty when fine.
QString coverPictureProblems(const QByteArray& bytes);
} // namespace checkrules
