#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

/// An optional word of a statement, and how the values after it are read.
struct StatementOption
{
	const char* word;
	std::function<bool()> read;
};

/// The words of one line of a scene file, read from the left by the
/// statement its keyword begins. Every reading names what it reads, with the
/// statement's name for it in sceneGrammar (RADIUS, PASS, ...), so that a
/// line that does not fit is told the same way in every statement:
///
///     FILE:LINE: expected "FORM": NAME is missing
///     FILE:LINE: expected "FORM": "WORDS" is left over
///     FILE:LINE: NAME "WORD" must be a number from LOW to HIGH
///     FILE:LINE: NAME "WORD" must be a whole number from LOW to HIGH
///     FILE:LINE: NAME "WORD" must be black, yellow or red
///     FILE:LINE: unknown word "WORD" in "KEYWORD": use wobble, gap or oval
///
/// FORM quotes the statement's forms in sceneGrammar. The first fault is
/// kept; every reading after it returns false.
class StatementReader
{
public:
	/// The words of line `line` of `file`, the statement's keyword first.
	StatementReader(std::vector<std::string> words, const std::string& file, int line);

	const std::string& keyword() const { return words.front(); }
	int line() const { return lineNumber; }
	/// "FILE:LINE: reason", once a reading has failed.
	const std::string& error() const { return fault; }

	/// Quote the forms of sceneGrammar that begin with `prefix` from now on
	/// (at first, those that begin with the keyword).
	void expect(const std::string& prefix);

	bool done() const { return next == words.size(); }
	/// The next word reads as a number, or would but for its value.
	bool nextIsNumber() const;
	/// True, with the word taken, when the next word is `word`.
	bool take(const char* word);
	/// The word read last.
	const std::string& previous() const { return words[next - 1]; }

	bool word(const char* name, std::string& value);
	/// A number from `low` to `high`, both included, compared in the type it
	/// is kept in.
	template <typename Number>
	bool number(const char* name, Number low, Number high, Number& value);
	/// The same when the next word is a number; nothing is read otherwise.
	template <typename Number>
	bool optionalNumber(const char* name, Number low, Number high, Number& value);
	bool whole(const char* name, int low, int high, int& value);
	/// One of the words of `choices`, as its value.
	template <typename Value>
	bool choice(const char* name, std::initializer_list<std::pair<const char*, Value>> choices, Value& value);
	bool choice(const char* name, std::initializer_list<const char*> choices, std::string& value);
	/// The rest of the line: optional words, each with its values, in any
	/// order; `atLeast` of them must be given.
	bool options(std::initializer_list<StatementOption> options, size_t atLeast = 0);
	/// Nothing may follow.
	bool end();

	/// A fault of the line, in the statement's own words.
	bool fail(const std::string& reason);
	/// NAME "WORD" must be `rule`.
	bool refuse(const char* name, const std::string& word, const std::string& rule);
	/// NAME is missing, the forms quoted.
	bool missing(const std::string& name);

private:
	/// The next word, or null when the line ends there (a fault, NAME missing).
	const std::string* nextFor(const char* name);
	/// The forms of sceneGrammar the line is read as, quoted: "a", "b" or "c".
	std::string forms() const;
	bool refuseChoice(const char* name, const std::string& word, const std::vector<const char*>& choices);

	std::vector<std::string> words;
	size_t next = 1;
	std::string place;
	int lineNumber;
	std::string prefix;
	std::string fault;
};

template <typename Value>
bool StatementReader::choice(const char* name, std::initializer_list<std::pair<const char*, Value>> choices, Value& value)
{
	const std::string* word = nextFor(name);
	if (word == nullptr)
	{
		return false;
	}
	std::vector<const char*> words;
	for (const auto& [choiceWord, choiceValue] : choices)
	{
		if (*word == choiceWord)
		{
			value = choiceValue;
			++next;
			return true;
		}
		words.push_back(choiceWord);
	}
	return refuseChoice(name, *word, words);
}
