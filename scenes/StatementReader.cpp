#include "scenes/StatementReader.h"

#include "scenes/SceneScript.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <type_traits>

namespace
{

/// The word as a number, when strtod reads all of it; NaN too, for the
/// caller to refuse.
bool readsAsNumber(const std::string& word, double& value)
{
	char* end = nullptr;
	value = std::strtod(word.c_str(), &end);
	return !word.empty() && *end == '\0';
}

/// Beyond this, no value of a scene has a meaning; below it, every number
/// converts to float without overflow.
constexpr double largestNumber = 1e7;

std::string shown(double value)
{
	char text[32];
	std::snprintf(text, sizeof text, "%g", value);
	return text;
}

/// "a, b or c", each word quoted by `quote`.
std::string listed(const std::vector<const char*>& words, const char* quote = "")
{
	std::string list;
	for (size_t i = 0; i < words.size(); ++i)
	{
		list += (i == 0 ? "" : i + 1 == words.size() ? " or " : ", ");
		list += quote + std::string(words[i]) + quote;
	}
	return list;
}

}  // namespace

StatementReader::StatementReader(std::vector<std::string> words, const std::string& file, int line)
	: words(std::move(words)), place(file + ":" + std::to_string(line)), lineNumber(line)
{
	assert(!this->words.empty());
	prefix = keyword();
}

void StatementReader::expect(const std::string& formPrefix)
{
	prefix = formPrefix;
}

bool StatementReader::nextIsNumber() const
{
	double ignored;
	return !done() && readsAsNumber(words[next], ignored);
}

bool StatementReader::take(const char* word)
{
	if (fault.empty() && !done() && words[next] == word)
	{
		++next;
		return true;
	}
	return false;
}

bool StatementReader::word(const char* name, std::string& value)
{
	const std::string* word = nextFor(name);
	if (word == nullptr)
	{
		return false;
	}
	value = *word;
	++next;
	return true;
}

template <typename Number>
bool StatementReader::number(const char* name, Number low, Number high, Number& value)
{
	static_assert(std::is_floating_point<Number>::value, "a number of a scene is a float or a double");
	const std::string* word = nextFor(name);
	if (word == nullptr)
	{
		return false;
	}
	double parsed;
	// Compared after the conversion, so that a bound holds for the value kept;
	// the NaN-safe form refuses "nan".
	if (readsAsNumber(*word, parsed) && std::fabs(parsed) <= largestNumber && Number(parsed) >= low
		&& Number(parsed) <= high)
	{
		value = Number(parsed);
		++next;
		return true;
	}
	return refuse(name, *word, "a number from " + shown(double(low)) + " to " + shown(double(high)));
}

template <typename Number>
bool StatementReader::optionalNumber(const char* name, Number low, Number high, Number& value)
{
	if (!fault.empty())
	{
		return false;
	}
	return !nextIsNumber() || number(name, low, high, value);
}

template bool StatementReader::number(const char*, float, float, float&);
template bool StatementReader::number(const char*, double, double, double&);
template bool StatementReader::optionalNumber(const char*, float, float, float&);
template bool StatementReader::optionalNumber(const char*, double, double, double&);

bool StatementReader::whole(const char* name, int low, int high, int& value)
{
	const std::string* word = nextFor(name);
	if (word == nullptr)
	{
		return false;
	}
	double parsed;
	if (readsAsNumber(*word, parsed) && parsed >= low && parsed <= high && parsed == std::floor(parsed))
	{
		value = int(parsed);
		++next;
		return true;
	}
	return refuse(name, *word, "a whole number from " + std::to_string(low) + " to " + std::to_string(high));
}

bool StatementReader::choice(const char* name, std::initializer_list<const char*> choices, std::string& value)
{
	const std::string* word = nextFor(name);
	if (word == nullptr)
	{
		return false;
	}
	if (std::find(choices.begin(), choices.end(), *word) == choices.end())
	{
		return refuseChoice(name, *word, choices);
	}
	value = *word;
	++next;
	return true;
}

bool StatementReader::options(std::initializer_list<StatementOption> options, size_t atLeast)
{
	std::vector<const char*> names;
	for (const StatementOption& option : options)
	{
		names.push_back(option.word);
	}
	size_t given = 0;
	for (; fault.empty() && !done(); ++given)
	{
		const std::string& word = words[next];
		const auto option =
			std::find_if(options.begin(), options.end(), [&](const StatementOption& o) { return word == o.word; });
		if (option == options.end())
		{
			return fail("unknown word \"" + word + "\" in \"" + keyword() + "\": use " + listed(names));
		}
		++next;
		if (!option->read())
		{
			return false;
		}
	}
	return given >= atLeast || missing("one of " + listed(names));
}

bool StatementReader::end()
{
	if (done() || !fault.empty())
	{
		return fault.empty();
	}
	std::string rest;
	for (size_t i = next; i < words.size(); ++i)
	{
		rest += (i == next ? "" : " ") + words[i];
	}
	return fail("expected " + forms() + ": \"" + rest + "\" is left over");
}

bool StatementReader::fail(const std::string& reason)
{
	if (fault.empty())
	{
		fault = place + ": " + reason;
	}
	return false;
}

bool StatementReader::refuse(const char* name, const std::string& word, const std::string& rule)
{
	return fail(std::string(name) + " \"" + word + "\" must be " + rule);
}

bool StatementReader::missing(const std::string& name)
{
	return fail("expected " + forms() + ": " + name + " is missing");
}

std::string StatementReader::forms() const
{
	std::vector<const char*> forms;
	for (const SceneStatementForm& statement : sceneGrammar)
	{
		const std::string form = statement.form;
		if (form.compare(0, prefix.size(), prefix) == 0 && (form.size() == prefix.size() || form[prefix.size()] == ' '))
		{
			forms.push_back(statement.form);
		}
	}
	// Every statement the parser knows is in the grammar.
	assert(!forms.empty());
	return listed(forms, "\"");
}

const std::string* StatementReader::nextFor(const char* name)
{
	if (!fault.empty())
	{
		return nullptr;
	}
	if (done())
	{
		missing(name);
		return nullptr;
	}
	return &words[next];
}

bool StatementReader::refuseChoice(const char* name, const std::string& word, const std::vector<const char*>& choices)
{
	return refuse(name, word, listed(choices));
}
