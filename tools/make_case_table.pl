#!/usr/bin/perl
# Prints the table of simple upper-case mappings that src/platform/common/utf.cpp
# compares names with, from the Unicode Character Database that Perl carries:
# runs of the Basic Multilingual Plane taken to upper case by one offset, every
# character or every second one. U+0131 and U+017F stay out: Windows does not
# make them equal to "I" and "S".
# Run: perl tools/make_case_table.pl, then let clang-format wrap the rows.
use strict;
use warnings;
use Unicode::UCD qw(charinfo);

my @mapped;
for my $c (0x80 .. 0xFFFF) {
  next if $c == 0x131 || $c == 0x17F;
  my $info = charinfo($c) or next;
  next if $info->{upper} eq '' || length($info->{upper}) > 6 || $info->{upper} =~ / /;
  my $upper = hex $info->{upper};
  next if $upper > 0xFFFF || $upper == $c;
  push @mapped, [$c, $upper - $c];
}

my @runs;
for my $m (@mapped) {
  my ($c, $offset) = @$m;
  my $run = $runs[-1];
  if ($run && $run->{offset} == $offset) {
    my $gap = $c - $run->{last};
    if (($run->{step} == 0 && ($gap == 1 || $gap == 2)) || $gap == $run->{step}) {
      $run->{step} = $gap;
      $run->{last} = $c;
      next;
    }
  }
  push @runs, {first => $c, last => $c, offset => $offset, step => 0};
}

my @cells = map {
  sprintf '{0x%04X, 0x%04X, %d, %d}', $_->{first}, $_->{last}, $_->{offset}, $_->{step} || 1
} ({first => 0x61, last => 0x7A, offset => -32, step => 1}, @runs);
my $line = '   ';
for my $cell (@cells) {
  if (length($line) + 1 + length($cell) + 1 > 100) {
    print "$line\n";
    $line = '   ';
  }
  $line .= " $cell,";
}
print "$line\n";
